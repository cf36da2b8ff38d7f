// The start routine (see StartRoutine.h).
#include "app/StartRoutine.h"
#include "app/AppPlatform.h"
#include "app/AppSettings.h"

#include "base/DebugTrace.h"
#include "browsers/FirefoxFollow.h"
#include "browsers/SystemProxy.h"
#include "framework/settings/CLSettings.h"

namespace maskaddr {

void ActivateRunningInstance(IStartHost& host, TWindowRef window) {
    if (window == 0) return;
    if (host.SendRegistered(window, "CL IfBusy") == 1) return;
    if (host.SendRegistered(window, "CL BringtoFront") == 1) return;
    host.ForceToFront(window);
}

int RunApplication(IStartHost& host, const TCommandLine& commandLine) {
    if (!host.CheckSystemLanguage()) return 0;

    host.MaskFloatingPointExceptions();
    DebugTrace::SetEnabled(false);
    if (commandLine.HasSwitch('i') || commandLine.HasSwitch('u')) return 0;

    if (commandLine.HasSwitch('s')) {
        TWindowRef running = host.FindRunningInstance(Settings().GetSettingInteger("App.ID"));
        // The installer's and uninstaller's end of the program. With none running, a run
        // killed while hiding may have left its journal: the settings it kept go back now.
        if (running != 0)
            host.SendRegistered(running, "CL CloseApp");
        else
            RestoreSystemProxy(TBrowserContext{Platform(), Settings()});
        // Only the uninstaller's end: a setup's (an upgrade) keeps the profiles as the user made them.
        if (commandLine.HasWord(kUninstallWord))
            TakeBackFirefoxFollow(TBrowserContext{Platform(), Settings()});
        FreeSettings();
        return 0;
    }
    if (commandLine.HasSwitch('r')) {
        TWindowRef running = host.FindRunningInstance(Settings().GetSettingInteger("App.ID"));
        if (running != 0) host.SendRegistered(running, "CL CloseApp");
        host.Sleep(2000);
    }

    TCLSettings& settings = Settings();
    bool trace = DecideDebugTrace(commandLine.HasSwitch('d'), settings.GetSettingBool("Debug.Enabled"),
                                  host.CtrlShiftHeld(), settings.GetSettingBool("Debug.Disabled"));
    if (trace) {
        DebugTrace::SetEnabled(true);
        DebugTrace::Trace("CLApp", "Enter Debug Mode...");
    }

    if (commandLine.HasSwitch('a') && !settings.GetSettingBool("App.Autorun")) {
        FreeSettings();
        return 0;
    }

    if (!settings.GetSettingBool("App.Multiple") &&
        host.CreateSingleInstanceMutex("Global\\" + settings.GetSettingString("App.GUID"))) {
        TWindowRef running = host.FindRunningInstance(settings.GetSettingInteger("App.ID"));
        ActivateRunningInstance(host, running);
        std::string argument = commandLine.PlainFirstArgument();
        if (running != 0 && !argument.empty()) host.ForwardArgument(running, argument);
        FreeSettings();
        return 0;
    }

    if (settings.GetSettingBool("App.Splash")) host.ShowSplash();
    if (host.CreateMainWindow(commandLine.HasSwitch('h'))) host.RunMessageLoop();
    FreeSettings();
    return 0;
}

} // namespace maskaddr
