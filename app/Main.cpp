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

using namespace maskaddr;

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
