// Program entry of maskaddr.exe: installs the Win32 facilities, decides the debug
// trace, creates the settings store and frees it again before the process ends.
#include "app/CommandLine.h"
#include "framework/settings/CLSettings.h"
#include "framework/trace/DebugTrace.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <float.h>
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

bool CtrlShiftHeld() {
    return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) < 0;
}

int Run() {
    InstallWin32Platform();
    // Floating-point faults must not end the program: all exceptions stay masked.
    _controlfp(_MCW_EM, _MCW_EM);
    static TFileTraceSink traceSink(DefaultTraceFilePath());
    DebugTrace::SetSink(&traceSink);
    DebugTrace::SetEnabled(false);

    const TCommandLine commandLine(ProgramArguments());
    if (commandLine.HasSwitch('i') || commandLine.HasSwitch('u')) return 0;

    TCLSettings& settings = Settings();
    bool trace = DecideDebugTrace(commandLine.HasSwitch('d'), settings.GetSettingBool("Debug.Enabled"),
                                  CtrlShiftHeld(), settings.GetSettingBool("Debug.Disabled"));
    DebugTrace::SetEnabled(trace);
    DebugTrace::Trace("CLApp", "Enter Debug Mode...");

    FreeSettings();
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        return Run();
    } catch (const std::exception& e) {
        DebugTrace::Trace("CLApp", std::string("Unhandled exception: ") + e.what());
        return 1;
    }
}
