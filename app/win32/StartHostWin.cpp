// The start routine's Win32 side (see StartHostWin.h).
#include "app/win32/StartHostWin.h"

#include "framework/paths/AppPaths.h"
#include "platform/win32/WinText.h"

#include <float.h>

namespace maskaddr {

namespace {
constexpr UINT kSendTimeoutMs = 10000;
}

std::string TSystemLanguageWin::DefaultLanguageName() {
    wchar_t name[51] = {};
    VerLanguageNameW(GetSystemDefaultLangID(), name, 50);
    return ToUtf8(name);
}

void TSystemLanguageWin::ShowPlainMessage(const std::string& text) {
    MessageBoxW(nullptr, ToWide(text).c_str(), L"Maskaddr", MB_OK | MB_ICONSTOP);
}

bool TStartHostWin::CheckSystemLanguage() {
    TSystemLanguageWin system;
    return maskaddr::CheckSystemLanguage(system);
}

void TStartHostWin::MaskFloatingPointExceptions() {
    _controlfp(_MCW_EM, _MCW_EM);
}

bool TStartHostWin::CtrlShiftHeld() {
    return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) < 0;
}

TWindowRef TStartHostWin::FindRunningInstance(int32_t appId) {
    struct Search {
        UINT message;
        int32_t appId;
        HWND found;
    } search{RegisterWindowMessageW(L"CL GetAppID"), appId, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            if (std::wstring(cls) != L"TfrmMain") return TRUE;
            DWORD_PTR answer = 0;
            if (SendMessageTimeoutW(w, s->message, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer) &&
                static_cast<int32_t>(answer) == s->appId) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return reinterpret_cast<TWindowRef>(search.found);
}

intptr_t TStartHostWin::SendRegistered(TWindowRef window, const std::string& message) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(reinterpret_cast<HWND>(window), RegisterWindowMessageW(ToWide(message).c_str()),
                             0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer))
        return 0;
    return static_cast<intptr_t>(answer);
}

// Restores and shows the window; when the system refuses to give it the foreground,
// joins the input of the current foreground thread, and as a last resort lifts the
// foreground lock timeout for a moment.
void TStartHostWin::ForceToFront(TWindowRef window) {
    HWND w = reinterpret_cast<HWND>(window);
    if (IsIconic(w)) ShowWindow(w, SW_RESTORE);
    ShowWindow(w, SW_SHOW);
    if (GetForegroundWindow() == w) return;
    DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD thisThread = GetCurrentThreadId();
    if (foregroundThread != 0 && foregroundThread != thisThread) {
        AttachThreadInput(thisThread, foregroundThread, TRUE);
        BringWindowToTop(w);
        SetForegroundWindow(w);
        AttachThreadInput(thisThread, foregroundThread, FALSE);
    }
    if (GetForegroundWindow() == w) return;
    DWORD saved = 0;
    SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved, 0);
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
    BringWindowToTop(w);
    SetForegroundWindow(w);
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                          reinterpret_cast<void*>(static_cast<uintptr_t>(saved)), SPIF_SENDCHANGE);
}

void TStartHostWin::ForwardArgument(TWindowRef window, const std::string& text) {
    std::wstring w = ToWide(text);
    COPYDATASTRUCT record{0, static_cast<DWORD>(w.size() * sizeof(wchar_t)), w.data()};
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(reinterpret_cast<HWND>(window), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer);
}

void TStartHostWin::Sleep(uint32_t ms) {
    ::Sleep(ms);
}

bool TStartHostWin::CreateSingleInstanceMutex(const std::string& name) {
    FMutex.Attach(CreateMutexW(nullptr, FALSE, ToWide(name).c_str()));
    if (FMutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        FMutex.Close();
        return true;
    }
    return false;
}

void TStartHostWin::ShowSplash() {
    FSplash = std::make_unique<TfrmCLSplashForm>(*FPlatform.Files, AppFolder(*FPlatform.Files));
    FSplash->ShowAndPaint();
}

bool TStartHostWin::CreateMainWindow(bool trayOnly) {
    TraceStartupStep("Creating the main window");
    FMainForm.reset(new TfrmMain(FPlatform));
    FMainForm->EngineHost().OnCloseSplash = [this] { FSplash.reset(); };
    const bool created = FMainForm->Create(trayOnly);
    if (FSplash) FSplash->MainWindowCreated(FMainForm->Handle());
    return created;
}

void TStartHostWin::RunMessageLoop() {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (FMainForm && FMainForm->Handle() != nullptr &&
            (FMainForm->TabKey(m) || IsDialogMessageW(FMainForm->Handle(), &m)))
            continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    FMainForm.reset(); // destroys the window: FormDestroy runs
    FSplash.reset();
}

} // namespace maskaddr
