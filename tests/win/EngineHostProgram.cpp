// engine_host.exe: a window carrying the engine, for tests that talk to it from
// another process.
//   engine_host [--busy MS] [--log PATH]
// --busy keeps the window in its start-up phase for MS milliseconds: only messages
// sent by other processes are answered, the posted start-up message waits.
// --log appends one line per command-file event ("OnCmdFile:<text>").
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "framework/engine/CLEngine.h"
#include "framework/language/CLMultiLang.h"
#include "framework/settings/CLSettings.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"
#include "ui/win32/EngineHostWin.h"
#include "ui/win32/Win32Form.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

using namespace maskaddr;

namespace {

void AppendLog(const std::wstring& path, const std::string& line) {
    if (path.empty()) return;
    FILE* f = _wfopen(path.c_str(), L"ab");
    if (f == nullptr) return;
    std::fputs((line + "\n").c_str(), f);
    std::fclose(f);
}

// Answers only what other threads and processes send, until the deadline.
void StayBusy(DWORD ms) {
    ULONGLONG deadline = GetTickCount64() + ms;
    MSG m;
    while (GetTickCount64() < deadline) {
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - GetTickCount64()),
                                    QS_SENDMESSAGE, 0);
        PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const TPlatform facilities = Win32Platform();
    SetPlatform(facilities); // the settings store is made from it
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    DWORD busy = 0;
    std::wstring log;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wstring(argv[i]) == L"--busy")
            busy = static_cast<DWORD>(_wtoi(argv[++i]));
        else if (std::wstring(argv[i]) == L"--log")
            log = argv[++i];
    }

    TEngineHostWin host;
    {
        TWin32Form form(nullptr, "frmEngineHost", "TfrmEngineHost");
        if (!form.CreateHandle("Engine host", WS_OVERLAPPEDWINDOW, 0, 320, 120)) return 2;
        host.SetOwner(form.Handle());
        auto* data = new TCLMultiLangData(&form, "CLMultiLangData");
        auto* engine = new TCLEngine(&form, host, facilities, Settings());
        engine->SetSettingOverwrite({"App.ID=4242"});
        engine->SetLanguageData(data);
        engine->OnCmdFile = [&](const std::string& file) { AppendLog(log, "OnCmdFile:" + file); };
        new TLabelControl(&form, "lblHello", "Hello", 10, 10, 200, 20);
        auto* lang = new TCLMultiLang(&form, "CLMultiLang");
        lang->SetLanguageData(data);
        form.LoadComponents();
        ShowWindow(form.Handle(), SW_SHOW);
        StayBusy(busy);

        MSG m;
        while (GetMessageW(&m, nullptr, 0, 0) > 0) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        AppendLog(log, "Quit");
    }
    FreeSettings();
    return 0;
}
