// How long the real maskaddr.exe takes from its start until it is ready (it answers
// "CL IfBusy" with 0), with and without the splash window. Two copies of the program, one
// with an oem.const.dat that turns the splash on, are started in turn, ROUNDS times each.
//   splash_start_probe [ROUNDS]      (bench/splash-startup runs it under Wine)
#include "ProgramDriver.h"
#include "TestHttpServer.h"
#include "WinTestUtil.h"
#include "app/MainIds.h"
#include "platform/win32/PlatformWin.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// Starts the program and asks it every few milliseconds whether it is still starting; the
// milliseconds until it answers 0, or a negative figure when it never did. Ends it after.
double StartToReady(const std::string& exe) {
    const UINT busy = RegisterWindowMessageW(L"CL IfBusy");
    const double start = NowMs();
    TProgram app(exe, "");
    double ready = -1;
    while (ready < 0 && NowMs() - start < 30000) {
        HWND w = FindWindowW(L"TfrmMain", nullptr);
        DWORD_PTR answer = 1;
        if (w != nullptr && SendMessageTimeoutW(w, busy, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) &&
            answer == 0)
            ready = NowMs() - start;
        else
            Sleep(2);
    }
    if (HWND w = app.Window(0)) PostMessageW(w, WM_COMMAND, ids::actExit, 0);
    app.Ended(15000);
    return ready;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 10;
    const std::string build = FullPath(TestProgramFolder() + "..\\");
    TTestHttpServer service; // the program's own requests get 404 here, and go nowhere else
    TScratchFolder plain, splash;
    const std::string plainExe = CopyProgram(build, plain.Path(), service.Url(""));
    const std::string splashExe = CopyProgram(build, splash.Path(), service.Url(""));
    if (plainExe.empty() || splashExe.empty() ||
        !TFileSystemWin()
             .WriteFileAtomic(splash / "oem.const.dat", "[setting]\r\nApp.Splash=1\r\n")
             .empty()) {
        std::fprintf(stderr, "splash_start_probe: cannot copy the program\n");
        return 2;
    }
    StartToReady(plainExe); // the first start of a prefix pays for Wine's own warm-up
    std::vector<double> without, with;
    for (int i = 0; i < rounds; ++i) {
        const double a = StartToReady(plainExe), b = StartToReady(splashExe);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "splash_start_probe: round %d: the program did not become ready\n", i + 1);
            return 2;
        }
        without.push_back(a);
        with.push_back(b);
        std::printf("round %2d: %6.1f ms without the splash, %6.1f ms with it\n", i + 1, a, b);
    }
    std::printf("start to ready: median %.1f ms without the splash, %.1f ms with it (%+.1f ms)\n",
                Median(without), Median(with), Median(with) - Median(without));
    return 0;
}
