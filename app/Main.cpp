// Program entry of maskaddr.exe: installs the Win32 facilities and the debug
// trace's file, runs the start routine, and at the end waits a moment for the
// worker threads still under way.
#include "app/AppPlatform.h"
#include "app/StartRoutine.h"
#include "app/win32/StartHostWin.h"
#include "base/DebugTrace.h"
#include "framework/threads/WorkerThreads.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <chrono>
#include <commctrl.h>
#include <ole2.h>

using namespace maskaddr;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const TPlatform platform = Win32Platform();
    SetPlatform(platform);
    static TFileTraceSink traceSink(DefaultTraceFilePath());
    DebugTrace::SetSink(&traceSink);
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_STANDARD_CLASSES | ICC_LINK_CLASS | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES |
                                 ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    const HRESULT ole = OleInitialize(nullptr);
    if (FAILED(ole)) TraceFailedCall("OleInitialize", "", ErrorText(static_cast<DWORD>(ole)));
    int code = 0;
    try {
        TStartHostWin host(platform);
        code = RunApplication(host, TCommandLine(ProgramArguments()));
    } catch (const std::exception& e) {
        DebugTrace::Trace("CLApp", std::string("Unhandled exception: ") + e.what());
        code = 1;
    }
    // The windows are gone, so the wait shows nowhere. Downloads were asked to stop when
    // their windows went and end at their next block; a lookup or keep-alive request has
    // no stop and may wait up to its network timeout, so one second is all it gets:
    // whatever still runs then ends with the process.
    if (!WorkerThreads::JoinAll(std::chrono::seconds(1)))
        DebugTrace::Trace("CLApp", "Worker threads still running at exit");
    // From here on a late worker's trace line is dropped rather than written to a sink
    // that static destruction may already have taken.
    DebugTrace::SetSink(nullptr);
    if (SUCCEEDED(ole)) OleUninitialize();
    return code;
}
