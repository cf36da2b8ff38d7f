// Helpers of the Win32 tests (see WinTestUtil.h).
#include "WinTestUtil.h"

#include "framework/settings/IniText.h"
#include "framework/threads/WorkerThreads.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/Process.h"

#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace maskaddr::test {

TScratchFolder::TScratchFolder() {
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    FPath = ToUtf8(temp) + "maskaddr-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    CreateDirectoryW(ToWide(FPath).c_str(), nullptr);
}

TScratchFolder::~TScratchFolder() {
    std::wstring from = ToWide(FPath) + L'\0'; // double-terminated list of one path
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

std::string TestProgramFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string p = ToUtf8(path);
    return p.substr(0, p.rfind('\\') + 1);
}

std::string FullPath(const std::string& path) {
    wchar_t full[MAX_PATH + 1] = {};
    GetFullPathNameW(ToWide(path).c_str(), MAX_PATH, full, nullptr);
    return ToUtf8(full);
}

std::string FolderWord(std::string path) {
    for (char& c : path)
        if (c == '\\' || c == ':' || c == '/') c = '_';
    return path;
}

std::string ShellFolderPath(bool machine, const char* name) {
    TRegistryWin reg;
    return reg
        .ReadString(machine ? TRegRoot::LocalMachine : TRegRoot::CurrentUser,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name)
        .value_or("");
}

std::string IniValue(const std::string& path, const char* section, const char* name) {
    TFileSystemWin fs;
    TAnsiCodecWin ansi;
    TIniText ini;
    ini.LoadFromFile(fs, path, ansi);
    return ini.ReadValue(section, name).value_or("<missing>");
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20)), QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool DrainMessages(DWORD limitMs) {
    const ULONGLONG deadline = GetTickCount64() + limitMs;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (GetTickCount64() >= deadline) return false;
    }
    return true;
}

bool WorkersSettled(DWORD limitMs) {
    return WorkerThreads::JoinAll(std::chrono::milliseconds(limitMs)) && DrainMessages();
}

TProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs) {
    TProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    THandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0)) {
        result.ExitCode = static_cast<DWORD>(-1);
        return result;
    }
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.Get();
    si.hStdError = writeEnd.Get();
    si.hStdInput = nullptr;
    const TProcessHandles child = StartProcess(commandLine, {}, &si, true);
    if (!child) {
        result.ExitCode = static_cast<DWORD>(-1);
        result.Started = false;
        result.Output = "CreateProcessW failed: " + LastErrorText();
        return result;
    }
    writeEnd.Close();
    // Read until the child (and anything it started) closes the pipe, then wait for it.
    std::vector<char> buffer(4096);
    DWORD got = 0;
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr)) break;
        if (available == 0) {
            if (WaitForSingleObject(child.Process.Get(), 20) == WAIT_OBJECT_0) {
                if (!PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr) || available == 0)
                    break;
            }
            continue;
        }
        if (!ReadFile(readEnd.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) ||
            got == 0)
            break;
        result.Output.append(buffer.data(), got);
    }
    if (WaitForSingleObject(child.Process.Get(),
                            static_cast<DWORD>(std::max<LONGLONG>(
                                0, static_cast<LONGLONG>(deadline - GetTickCount64())))) != WAIT_OBJECT_0) {
        TerminateProcess(child.Process.Get(), 124);
        result.TimedOut = true;
    }
    GetExitCodeProcess(child.Process.Get(), &result.ExitCode);
    return result;
}

HWND WaitForVisibleWindow(const wchar_t* className, DWORD waitMs, DWORD pollMs, const wchar_t* title) {
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    do {
        HWND w = FindWindowW(className, title);
        if (w != nullptr && IsWindowVisible(w)) return w;
        Sleep(pollMs);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

double NowMs() {
    LARGE_INTEGER frequency{}, counter{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> figures) {
    if (figures.empty()) return 0;
    std::sort(figures.begin(), figures.end());
    const size_t n = figures.size();
    return n % 2 == 1 ? figures[n / 2] : (figures[n / 2 - 1] + figures[n / 2]) / 2;
}

std::vector<std::string> UnnamedControls(HWND window) {
    std::vector<std::string> unnamed;
    for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        IAccessible* object = nullptr;
        const HRESULT found = AccessibleObjectFromWindow(c, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                         reinterpret_cast<void**>(&object));
        if (FAILED(found)) {
            unnamed.push_back(std::to_string(GetDlgCtrlID(c)) + " has no accessible object: " +
                              std::to_string(static_cast<unsigned long>(found)));
            continue;
        }
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        VARIANT role{};
        object->get_accName(self, &name);
        object->get_accRole(self, &role);
        if (name == nullptr || SysStringLen(name) == 0)
            unnamed.push_back(std::to_string(GetDlgCtrlID(c)) + " role " + std::to_string(role.lVal));
        SysFreeString(name);
        object->Release();
    }
    return unnamed;
}

} // namespace maskaddr::test
