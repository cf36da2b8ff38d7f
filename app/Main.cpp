// Program entry of maskaddr.exe: installs the Win32 facilities and the debug
// trace's file, then runs the start routine.
#include "app/StartRoutine.h"
#include "app/win32/StartHostWin.h"
#include "framework/trace/DebugTrace.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

using namespace maskaddr;

namespace {

std::vector<std::string> ProgramArguments() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; argv != nullptr && i < count; ++i)
        args.push_back(ToUtf8(argv[i]));
    if (argv != nullptr) LocalFree(argv);
    return args;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    InstallWin32Platform();
    static TFileTraceSink traceSink(DefaultTraceFilePath());
    DebugTrace::SetSink(&traceSink);
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_STANDARD_CLASSES | ICC_LINK_CLASS | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    int code = 0;
    try {
        TStartHostWin host;
        code = RunApplication(host, TCommandLine(ProgramArguments()));
    } catch (const std::exception& e) {
        DebugTrace::Trace("CLApp", std::string("Unhandled exception: ") + e.what());
        code = 1;
    }
    OleUninitialize();
    return code;
}
