// Driving the real maskaddr.exe from a test (see ProgramDriver.h).
#include "ProgramDriver.h"

#include "app/MainIds.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <wininet.h>

namespace maskaddr::test {

TProgram::TProgram(const std::string& exe, const std::string& args) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = ToWide("\"" + exe + "\" " + args);
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        FProcess.Attach(pi.hProcess);
        CloseHandle(pi.hThread);
        FPid = pi.dwProcessId;
    }
}

TProgram::~TProgram() {
    if (FProcess && WaitForSingleObject(FProcess.Get(), 0) == WAIT_TIMEOUT) {
        if (HWND w = Window(0)) PostMessageW(w, WM_COMMAND, ids::actExit, 0);
        if (WaitForSingleObject(FProcess.Get(), 10000) != WAIT_OBJECT_0) TerminateProcess(FProcess.Get(), 1);
    }
}

HWND TProgram::Window(DWORD waitMs) const {
    ULONGLONG deadline = GetTickCount64() + waitMs;
    do {
        struct Search {
            DWORD pid;
            HWND found;
        } s{FPid, nullptr};
        EnumWindows(
            [](HWND w, LPARAM p) -> BOOL {
                auto* s = reinterpret_cast<Search*>(p);
                wchar_t cls[32] = {};
                GetClassNameW(w, cls, 32);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == s->pid && std::wstring(cls) == L"TfrmMain") s->found = w;
                return s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&s));
        if (s.found != nullptr) return s.found;
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

HWND TProgram::Ready() const {
    HWND w = Window();
    UINT busy = RegisterWindowMessageW(L"CL IfBusy");
    for (int i = 0; w != nullptr && i < 400; ++i, Sleep(50)) {
        DWORD_PTR answer = 1;
        if (SendMessageTimeoutW(w, busy, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) && answer == 0) return w;
    }
    return nullptr;
}

long TProgram::Ended(DWORD waitMs) const {
    if (WaitForSingleObject(FProcess.Get(), waitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(FProcess.Get(), &code);
    return static_cast<long>(code);
}

void TProgram::Kill() {
    TerminateProcess(FProcess.Get(), 9);
    WaitForSingleObject(FProcess.Get(), 10000);
}

std::string ControlText(HWND main, int id) {
    wchar_t text[256] = {};
    SendMessageW(GetDlgItem(main, id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return ToUtf8(text);
}

bool HideUntilHiding(HWND main) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        Sleep(1100); // the one-second guard
        PostMessageW(main, WM_COMMAND, ids::actMaskaddr, 0);
        for (int i = 0; i < 100; ++i) {
            Sleep(100);
            if (ControlText(main, ids::btnHide) == "&Stop Hide") return true;
            if (HWND notice = FindWindowW(L"#32770", L"Maskaddr")) {
                PostMessageW(notice, WM_USER + 102 /* TDM_CLICK_BUTTON */, IDOK, 0);
                break;
            }
        }
    }
    return false;
}

TProxyState QuerySystemProxy() {
    TProxyState state;
    INTERNET_PER_CONN_OPTIONW options[2] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof list;
    list.dwOptionCount = 2;
    list.pOptions = options;
    DWORD size = sizeof list;
    if (InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size)) {
        state.Flags = options[0].Value.dwValue;
        if (options[1].Value.pszValue != nullptr) {
            state.Server = ToUtf8(options[1].Value.pszValue);
            GlobalFree(options[1].Value.pszValue);
        }
    }
    TRegistryWin reg;
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    state.RegistryServer = reg.ReadString(TRegRoot::CurrentUser, key, "ProxyServer").value_or("<missing>");
    state.RegistryEnable = reg.ReadDword(TRegRoot::CurrentUser, key, "ProxyEnable");
    return state;
}

} // namespace maskaddr::test
