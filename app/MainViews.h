// The main window as its controller drives it, in five narrow views: the option controls,
// the window itself, its tray icon, the overlay with the flag, and the dialogs it opens.
// The window is all five; a test fake may be any of them.
#pragma once

#include "proxy/ProxyRec.h"
#include "ui/StatusOverlay.h"

#include <string>
#include <vector>

namespace maskaddr {

class TProxyManager;

// Watch: every second, the housekeeping of TMainController::tmrWatchTimer.
enum class TMainTimer { Init, ChangeIP, Touch, Watch };

// The option controls. Setting a value does not run its handler; the controller does.
class IOptionsView {
public:
    virtual ~IOptionsView() = default;
    virtual bool AutorunChecked() = 0;
    virtual void SetAutorunChecked(bool checked) = 0;
    virtual bool ChangeIPChecked() = 0;
    virtual void SetChangeIPChecked(bool checked) = 0;
    virtual bool ClearCookieChecked() = 0;
    virtual void SetClearCookieChecked(bool checked) = 0;
    // The spin edit keeps its value within 1..120.
    virtual int ChangeIPTime() = 0;
    virtual void SetChangeIPTime(int minutes) = 0;
};

class IWindowView {
public:
    virtual ~IWindowView() = default;
    virtual void SetTimerEnabled(TMainTimer timer, bool enabled) = 0;
    // The tick mark of "Always on top" and the window's topmost state.
    virtual void SetAlwaysOnTop(bool topmost) = 0;
    // Binds btnHide and the tray item to the stop command (true) or the hide command.
    virtual void BindHideCommand(bool stopHide) = 0;
    // True while btnHide is bound to the stop command: the only record of hiding.
    virtual bool HideCommandIsStop() = 0;
    // Asks the window to close once the running handler has returned (the message loop
    // turns first); FormDestroy runs then, never inside the caller.
    virtual void CloseMainWindow() = 0;
    virtual std::string ExecutablePath() = 0;
};

class ITrayView {
public:
    virtual ~ITrayView() = default;
    virtual void MinimizeToTray() = 0;
    virtual void RestoreFromTray() = 0;
    // A notice that needs no answer: the tray icon's balloon.
    virtual void ShowNotice(const std::string& text) = 0;
};

class IOverlayView {
public:
    virtual ~IOverlayView() = default;
    virtual IStatusOverlay& Overlay() = 0;
    // Creates the status overlay inside pnlFlash; and takes it away again.
    virtual void PlaceWindow() = 0;
    virtual void ClearAllWindow() = 0;
    // Draws a picture file stretched into the 48 x 48 flag image.
    virtual void LoadPNG(const std::string& aFileName) = 0;
    // The country label under the flag.
    virtual void SetCountryText(const std::string& text) = 0;
};

class IDialogsView {
public:
    virtual ~IDialogsView() = default;
    // The system's plain message box.
    virtual void ShowPlainMessage(const std::string& text) = 0;
    // The settings dialog, modal.
    virtual void ShowSettingsDialog() = 0;
    // The country chooser on the pool, modal, created and freed here: true when it closed with OK.
    virtual bool ShowChooseIPCountry(TProxyManager& pool) = 0;
    // The verification window for these proxies and the service's check address, modal.
    virtual void ShowTestingWindow(std::vector<TProxyRec> proxies, const std::string& checkURL) = 0;
};

struct TMainViews {
    IOptionsView& Options;
    IWindowView& Window;
    ITrayView& Tray;
    IOverlayView& Flag;
    IDialogsView& Dialogs;
};

} // namespace maskaddr
