// RunApplication: the start routine. It decides whether this process may run
// (country gate, switches, single instance), hands a plain first argument to a
// running instance, creates the main window and runs the message loop. The
// operating-system side is reached through IStartHost, so the order of the steps
// is tested without windows.
#pragma once

#include "app/CommandLine.h"

#include <cstdint>
#include <string>

namespace maskaddr {

using TWindowRef = uintptr_t; // a window of another instance; 0 for none

class IStartHost {
public:
    virtual ~IStartHost() = default;
    // The country gate: false after it has told the user.
    virtual bool CheckSystemLanguage() = 0;
    virtual void MaskFloatingPointExceptions() = 0;
    virtual bool CtrlShiftHeld() = 0;
    // The main window of another instance whose "CL GetAppID" answer is appId.
    virtual TWindowRef FindRunningInstance(int32_t appId) = 0;
    // Sends a registered message ("CL CloseApp", "CL IfBusy", ...) and returns the answer.
    virtual intptr_t SendRegistered(TWindowRef window, const std::string& message) = 0;
    virtual void ForceToFront(TWindowRef window) = 0;
    virtual void ForwardArgument(TWindowRef window, const std::string& text) = 0;
    virtual void Sleep(uint32_t ms) = 0;
    // Creates the named mutex; true when it existed already (another instance holds it).
    virtual bool CreateSingleInstanceMutex(const std::string& name) = 0;
    virtual void ShowSplash() = 0;
    // Creates the main window; visible unless trayOnly (then only its tray icon shows).
    virtual bool CreateMainWindow(bool trayOnly) = 0;
    virtual void RunMessageLoop() = 0;
};

// The word the uninstaller adds to the switch s: its end also takes back what "Make it
// follow Maskaddr" wrote into Firefox profiles.
inline constexpr char kUninstallWord[] = "Uninstall";

// Runs the start routine; returns the process exit code.
int RunApplication(IStartHost& host, const TCommandLine& commandLine);

// Brings a running instance forward: nothing while it still initialises or when it
// restored itself from the tray; otherwise its window is forced to the front.
void ActivateRunningInstance(IStartHost& host, TWindowRef window);

} // namespace maskaddr
