// TMainController: the logic of the main window. The window forwards its events
// here (creation and destruction, the option controls, the timers, the caption
// buttons and the commands) and is driven back through the narrow views of MainViews.h.
#pragma once

#include "app/MainViews.h"
#include "app/ProxyWatch.h"
#include "base/DateTime.h"
#include "browsers/BrowserSwitchers.h"
#include "browsers/ProxyJournal.h"
#include "framework/engine/SingleDownloader.h"
#include "framework/threads/Lifeline.h"
#include "proxy/ProxyRec.h"
#include "ui/BrowserTexts.h"
#include "ui/StatusOverlay.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace maskaddr {

class TCLEngine;
class TProxyManager;

enum class TCaptionCommand { Close, Minimize, Maximize, RollUp, SysMenu, MinimizeToTray, Default };

// The autorun value under the per-user Run key: written when enable, deleted otherwise.
void SetRunAtLogon(IRegistry& reg, bool enable, const std::string& valueName, const std::string& command);
// A spin edit's value from its text: clamped into min..max; unreadable text gives min.
int SpinEditValue(const std::string& text, int min, int max);

class TMainController final : private IProxyWatchHost {
public:
    TMainController(TMainViews views, IBrowserSwitchers& switchers, const TPlatform& platform,
                    TCLSettings& settings);
    ~TMainController();

    // The engine, made after this controller by the same window; null until then, and again
    // once it is gone.
    void SetEngine(TCLEngine* engine) { FEngine = engine; }
    void FormCreate();
    void FormDestroy();
    void LoadSettings();

    void cbAutorunClick();
    void cbChangeIPClick();
    void edtChangeIPTimeChange();
    void cbClearCookieClick();
    void ResetChangeIPTime();
    void tmrInitTimer();
    // The first start that finds Firefox installs the extension (a step of FormCreate).
    void InstallFirefoxExtensionOnce();
    // Loads the pool from the settings once: false while they hold no normal list yet.
    bool LoadPool();
    // The answer of the lookup of the user's own IP information.
    void ProxyManagerGetCurrentLocalInfo(TProxyManager& Sender);
    void ResetCountryDisp();
    // The verification window for the proxies of the target country.
    void TestIPfromLocal();

    // Setting a control from the program runs its handler as a user change would.
    void SetAutorun(bool checked);
    void SetChangeIP(bool checked);
    void SetClearCookie(bool checked);
    void SetChangeIPTimeValue(int minutes);

    void SetAOT();
    void actAlwaysOnTopExecute();
    void actSettingsExecute();
    void actStopHideExecute();
    void actMaskaddrExecute();
    bool IsHiding() { return FView.Window.HideCommandIsStop(); }
    void tmrChangeIPTimer();
    void tmrTouchTimer();
    // Every second: the retried lookup, the watch of the proxy in use, a change of the
    // system settings by another program, and the hourly look for a due update check.
    void tmrWatchTimer();
    // An update reply was accepted: the pool takes the delivered lists.
    void UpdateAccepted();
    void ProxyManagerLocalInfoFailed();
    const TProxyWatch& Watch() const { return FWatch; }
    void actCheckIPInfoExecute();
    void actChooseIPCountryExecute();
    void LoadFlag(const std::string& aCountryName);
    void sdFlagDoneFile(const std::string& strFileName);
    TSingleDownloader& FlagDownloader() { return FFlag; }
    void actOpenExecute() { FView.Tray.RestoreFromTray(); }
    void actExitExecute() { FView.Window.CloseMainWindow(); }
    // The caption buttons: true cancels the command.
    bool spDynamicSkinFormObjectCommand(TCaptionCommand command);

    bool FLocalInfoGot = false;
    TDateTime FLastTouchTime = 0;
    TDateTime FLastActionTime = 0;
    TDateTime FLastChangeIPTime = 0;
    std::unique_ptr<TProxyManager> FProxyManager;
    bool AlwaysOnTopChecked() const { return FAlwaysOnTop; }
    // True once FormDestroy has run: handlers that come back from a modal window stop there.
    bool Destroyed() const { return FDestroyed; }

private:
    // The one-second guard: false (after its notice) when the last action was too recent.
    bool ActionAllowed();
    // The accepted update reply and the user's own information that hiding needs.
    bool ServiceReached();
    // How a stop treats the system settings: back to the journal's or direct (Clear); put
    // back from the journal, else left to the user's own unless they name our pool
    // (KeepUserOwn: start-up, and an end while not hiding); not touched at all (Untouched:
    // another program set them while we were hiding).
    enum class TSystemStop { Clear, KeepUserOwn, Untouched };
    void ApplyProxy(const std::string& aProxy, TSystemStop stop = TSystemStop::Clear);
    void StopHide(TSystemStop stop = TSystemStop::Clear); // the stop sequence after its guard
    // Steps of the hide sequence after its choice of a proxy: the browsers, the timers, the
    // overlay and the watch. Also the watch's move to a proxy that answers.
    void HideThrough(const TProxyRec& proxy);
    // True while hiding when the stored system settings are no longer what we set.
    bool SettingsChangedByOthers();
    void OtherProgramChangedSettings();
    void StartLookup();
    // A notice (a language key and its arguments) in the overlay and the tray's balloon.
    void Notice(const std::string& key, const std::vector<std::string>& args);
    void ClearNoticeDetails();
    std::string TargetCountryName();

    // IProxyWatchHost
    TProxyManager* Pool() override { return FProxyManager.get(); }
    std::string RealAddress() override;
    void MoveToProxy(const TProxyRec& proxy) override;
    void NoProxyAnswers(bool none) override;
    // The start's look for a hide of ours left behind (see FormCreate): runs once, from the
    // message loop right after the window is ready, or first thing in any earlier change.
    void RestoreLeftoverProxy();
    // False (after its message, with the window asked to close) in the gated country.
    bool CheckLocalIP();

    TMainViews FView;
    IBrowserSwitchers& FSwitchers;
    TPlatform FPlatform;
    TCLSettings& FSettings;
    TCLEngine* FEngine = nullptr;
    TSingleDownloader FFlag{nullptr, FPlatform, "sdFlag"};
    bool FAlwaysOnTop = false;
    bool FPoolLoaded = false;
    bool FDestroyed = false;
    TProxyWatch FWatch{*this, FPlatform, FSettings};
    std::optional<TUserProxySettings> FSystemSet; // the stored values right after our last change
    bool FNoticeDetails = false;                  // the overlay's second text holds a notice's details
    TNotHiddenNotice FNotHidden;                  // the browsers not hidden, named once per run
    int FLookupsPending = 0, FLookupFailures = 0;
    TDateTime FNextLookup = 0;     // the retried lookup's time; 0 while none is due
    TDateTime FNextUpdateLook = 0; // the hourly look for a due automatic update check
    enum class TLeftoverCheck { Deferred, Posted, Done } FLeftoverCheck = TLeftoverCheck::Done;
    TLifeline<TMainController> FAlive{this};
};

} // namespace maskaddr
