// Driving the real maskaddr.exe from a test: starting and ending it, finding its main
// window, reading its controls, hiding through its command, and reading what the
// system's web settings say afterwards.
#pragma once

#include "platform/win32/Handles.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace maskaddr::test {

class TProgram {
public:
    TProgram(const std::string& exe, const std::string& args);
    // Ends a program that still runs: Exit first, then by force.
    ~TProgram();
    // The program's main window, once it exists (visible or not).
    HWND Window(DWORD waitMs = 20000) const;
    // The main window once the program has finished starting (it answers "CL IfBusy" with 0).
    HWND Ready() const;
    // Exit code after the process ended, or -1 when it still runs after waitMs.
    long Ended(DWORD waitMs) const;
    bool Started() const { return FProcess.Valid(); }
    // Ends the process at once, as a kill does: nothing of the program runs any more.
    void Kill();

private:
    THandle FProcess;
    DWORD FPid = 0;
};

// A control's text by WM_GETTEXT, which reaches the control itself: GetWindowTextW of
// another process's edit control returns only its creation text.
std::string ControlText(HWND main, int id);

// Sends the hide command until the window is hiding. The first hide may wait for the update
// (its strip closes by itself); a hide before the lookup's answer gets a notice, closed here.
bool HideUntilHiding(HWND main);

// What a program that follows the system's web settings would use now.
struct TProxyState {
    DWORD Flags = 0;
    std::string Server, RegistryServer;
    std::optional<uint32_t> RegistryEnable;
};
TProxyState QuerySystemProxy();

} // namespace maskaddr::test
