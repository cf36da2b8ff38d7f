// The main window's logic (see MainController.h).
#include "app/MainController.h"
#include "app/AppSettings.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/engine/CLEngine.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"
#include "proxy/ProxyManager.h"
#include "ui/ProxyVerification.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace maskaddr {

namespace {
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr int kMinInterval = 1, kMaxInterval = 120;

// The flag picture of a country code as the program ships it: "URL.LocalFlagPath" in
// the program folder.
std::string ShippedFlag(IFileSystem& files, TCLSettings& settings, const std::string& code) {
    return ResolvePath(AppFolder(files), settings.GetSettingString("URL.LocalFlagPath") + code + ".PNG");
}

// Where a flag picture downloaded from the service is kept.
std::string DownloadedFlag(TCLSettings& settings, const std::string& code) {
    return ResolvePath(settings.UserDataPath(), code + ".PNG");
}

// The flag picture's address on the service.
std::string ServiceFlag(TCLSettings& settings, const std::string& code) {
    return settings.GetSettingString("URL.FlagPath") + code + ".PNG";
}

// The overlay's flag of a country code: the shipped picture, else (withDownloaded) a
// downloaded one, else the service's address.
std::string OverlayFlag(IFileSystem& files, TCLSettings& settings, const std::string& code,
                        bool withDownloaded) {
    std::string flag = ShippedFlag(files, settings, code);
    if (files.FileExists(flag)) return flag;
    if (withDownloaded) {
        flag = DownloadedFlag(settings, code);
        if (files.FileExists(flag)) return flag;
    }
    return ServiceFlag(settings, code);
}
} // namespace

void SetRunAtLogon(IRegistry& reg, bool enable, const std::string& valueName, const std::string& command) {
    if (enable)
        reg.WriteString(TRegRoot::CurrentUser, kRunKey, valueName, command);
    else
        reg.DeleteValue(TRegRoot::CurrentUser, kRunKey, valueName);
}

int SpinEditValue(const std::string& text, int min, int max) {
    auto v = TryParseInt32(Trim(text));
    if (!v) return min;
    return std::clamp<int>(*v, min, max);
}

TMainController::TMainController(TMainViews view, IBrowserSwitchers& switchers, const TPlatform& platform,
                                 TCLSettings& settings)
    : FView(view), FSwitchers(switchers), FPlatform(platform), FSettings(settings) {
    FFlag.AcceptTypes = "*/*";
    FFlag.BinaryData = true; // a reply without a length header is refused
    FFlag.UseCache = false;
    FFlag.MaxBytes = 1024 * 1024; // a flag is a small picture
    FFlag.WaitThread = false;
    FFlag.OnDoneFile = [this](TSingleDownloader*, const std::string& file, int64_t) { sdFlagDoneFile(file); };
}
TMainController::~TMainController() = default;

// ---- creation and destruction ----

void TMainController::FormCreate() {
    FProxyManager = std::make_unique<TProxyManager>(FPlatform, FSettings);
    FProxyManager->SetOnGetCurrentLocalInfo(
        [this](TProxyManager& sender) { ProxyManagerGetCurrentLocalInfo(sender); });
    FProxyManager->SetOnLocalInfoFailed([this](TProxyManager&) { ProxyManagerLocalInfoFailed(); });
    if (TCLEngine* engine = FEngine)
        engine->OnUpdateAccepted = FAlive.Guard([](TMainController& c) { c.UpdateAccepted(); });
    FView.Flag.PlaceWindow();
    // The first action: the guard has nothing to refuse. Its look for a hide of ours left
    // behind may read the system's live proxy options, which is slow under some systems
    // (Wine looks for a proxy script through DHCP and DNS each time), and the first paint
    // does not need it: it runs from the message loop, before any later change.
    FLeftoverCheck = TLeftoverCheck::Deferred;
    StopHide(TSystemStop::KeepUserOwn);
    LoadSettings();
    FLocalInfoGot = false;
    StartLookup();
    if (TCLEngine* engine = FEngine)
        FView.Flag.Overlay().SetTextInfo(engine->GetAppString("FLSMsg.Verifing"), 0);
    InstallFirefoxExtensionOnce();
    SetAOT();
    FLastActionTime = FPlatform.Clock->Now();
    FNextUpdateLook = FLastActionTime + 1.0 / 24;
    FView.Window.SetTimerEnabled(TMainTimer::Watch, true);
}

// Firefox follows the hiding through our extension, installed at the first start that
// finds Firefox. Only an installation that really started counts: without the package
// beside the program it is tried again at the next start.
void TMainController::InstallFirefoxExtensionOnce() {
    IFirefoxSetup& firefox = FSwitchers.Firefox();
    TCLSettings& settings = FSettings;
    // With its switch off Firefox is never started, not even for the installation.
    if (!settings.GetSettingBool("SWITCH.FF")) return;
    if (!firefox.IsFirefoxInstalled() || settings.GetSettingBool("FFEXT.INSTALLED")) return;
    if (!firefox.InstallFirefoxExtension()) return;
    settings.SetSettingBool("FFEXT.INSTALLED", true);
    if (firefox.IsFirefoxRunning())
        if (TCLEngine* engine = FEngine)
            engine->ShowMessageEx("MSGBox.FFRestart", {}, 0, mtInformation, mb::OK, 0, false);
}

// Whatever the one-second guard would say, the browsers never stay on a proxy after
// the program has ended. An end while not hiding leaves the user's own system settings,
// and so does an end after another program set them.
void TMainController::FormDestroy() {
    if (FDestroyed) return;
    FDestroyed = true;
    if (TCLEngine* engine = FEngine) engine->OnUpdateAccepted = nullptr;
    if (IsHiding() && SettingsChangedByOthers()) {
        DropProxyJournal(TBrowserContext{FPlatform, FSettings});
        StopHide(TSystemStop::Untouched);
    } else {
        StopHide(IsHiding() ? TSystemStop::Clear : TSystemStop::KeepUserOwn);
    }
    if (FProxyManager) FSettings.SetSettingstring("TARGET_COUNTRY", FProxyManager->TargetCountry());
    FView.Flag.ClearAllWindow();
    FProxyManager.reset();
}

// The answer of the lookup of the user's own IP information: the local panel shows it,
// and from now on hiding is possible.
void TMainController::ProxyManagerGetCurrentLocalInfo(TProxyManager& Sender) {
    if (!CheckLocalIP()) return; // the window closes: the panels stay as they are
    auto value = [&](const char* name) { return FindListValue(Sender.LocalInfo(), name).value_or(""); };
    const std::string flag = OverlayFlag(*FPlatform.Files, FSettings, value("COUNTRY_SHORT"), false);
    IStatusOverlay& overlay = FView.Flag.Overlay();
    overlay.SetIPInfo("Local", "True", flag, value("IP"), value("COUNTRY_LONG"), value("CITY"), "100", "100");
    overlay.SetIPInfo("Target", "", flag, value("IP"), value("COUNTRY_LONG"), value("CITY"), "100", "100");
    overlay.SetTextInfo("", 0);
    if (TCLEngine* engine = FEngine) overlay.SetTextInfo(engine->GetAppString("FLSMsg.Ready"), 16711680);
    FLocalInfoGot = true;
    if (FLookupsPending > 0) --FLookupsPending;
    FNextLookup = 0;
    // The network is back after the start's update check failed: that check runs now.
    if (std::exchange(FLookupFailures, 0) > 0 && FSettings.GetSettingInteger("Update.Times") == 0 &&
        FSettings.GetSettingBool("Update.BeginAuto"))
        if (TCLEngine* engine = FEngine) engine->AppUpdateAuto();
}

// No answer to the lookup: tried again on its own after 2, 4, 8 ... seconds, at most a
// minute apart, while the overlay says that there is no connection.
void TMainController::ProxyManagerLocalInfoFailed() {
    if (FLookupsPending > 0) --FLookupsPending;
    if (FDestroyed || FLocalInfoGot || FLookupsPending > 0) return;
    ++FLookupFailures;
    const int delay = std::min(60, 1 << std::min(FLookupFailures, 6));
    FNextLookup = FPlatform.Clock->Now() + delay / 86400.0;
    DebugTrace::Trace("CLProxy", "No answer from the lookup; the next in " + std::to_string(delay) + " s");
    if (TCLEngine* engine = FEngine)
        FView.Flag.Overlay().SetTextInfo(engine->GetAppString("FLSMsg.NoConnection"), 0);
}

void TMainController::StartLookup() {
    ++FLookupsPending;
    FProxyManager->GetCurrentLocalInfo();
}

// The message box runs a message loop of its own, during which the session may end and
// the window be destroyed; the close itself is left to the message loop, so the pool
// whose answer this is stays alive until the answer has been handled.
bool TMainController::CheckLocalIP() {
    auto code = FindListValue(FProxyManager->LocalInfo(), "COUNTRY_SHORT").value_or("");
    if (!SameText(code, "CN")) return true;
    FView.Dialogs.ShowPlainMessage("This product is unavailable in this country.");
    if (!FDestroyed) FView.Window.CloseMainWindow();
    return false;
}

// The flag and name of the pool's target country ("UN", exactly, is any country).
void TMainController::ResetCountryDisp() {
    if (!FProxyManager) return;
    const std::string& code = FProxyManager->TargetCountry();
    LoadFlag(code);
    FView.Flag.SetCountryText(code == "UN" ? "Auto Selected" : FProxyManager->GetCountryLong(code));
}

// The flag of a two-letter code: shipped with the program, else downloaded once into
// the user data folder.
void TMainController::LoadFlag(const std::string& aCountryName) {
    IFileSystem& files = *FPlatform.Files;
    const std::string shipped =
        ResolvePath(AppFolder(*FPlatform.Files), "res\\flag_short\\" + aCountryName + ".PNG");
    if (files.FileExists(shipped)) {
        FView.Flag.LoadPNG(shipped);
        return;
    }
    const std::string cached = DownloadedFlag(FSettings, aCountryName);
    if (files.FileExists(cached)) {
        FView.Flag.LoadPNG(cached);
        return;
    }
    FFlag.FileName = cached;
    FFlag.URL = ServiceFlag(FSettings, UpperAscii(aCountryName));
    FFlag.GetFile();
}

void TMainController::sdFlagDoneFile(const std::string& strFileName) {
    if (FPlatform.Files->FileExists(strFileName)) FView.Flag.LoadPNG(strFileName);
}

void TMainController::LoadSettings() {
    TCLSettings& s = FSettings;
    SetAutorun(s.GetSettingBool("AutoRun"));
    SetChangeIP(s.GetSettingBool("ChangeIP"));
    SetClearCookie(s.GetSettingBool("ClearCookie"));
    SetChangeIPTimeValue(s.GetSettingInteger("ChangeIPTime"));
}

// ---- option controls ----

void TMainController::SetAutorun(bool checked) {
    FView.Options.SetAutorunChecked(checked);
    cbAutorunClick();
}

void TMainController::SetChangeIP(bool checked) {
    FView.Options.SetChangeIPChecked(checked);
    cbChangeIPClick();
}

void TMainController::SetClearCookie(bool checked) {
    FView.Options.SetClearCookieChecked(checked);
    cbClearCookieClick();
}

void TMainController::SetChangeIPTimeValue(int minutes) {
    FView.Options.SetChangeIPTime(std::clamp(minutes, kMinInterval, kMaxInterval));
    edtChangeIPTimeChange();
}

void TMainController::cbAutorunClick() {
    bool checked = FView.Options.AutorunChecked();
    FSettings.SetSettingBool("AutoRun", checked);
    // Quoted: an unquoted path with blanks ("C:\\Program Files\\...") would let the system
    // start "C:\\Program.exe" at logon instead.
    SetRunAtLogon(*FPlatform.Registry, checked, FSettings.GetSettingString("App.Name"),
                  "\"" + FView.Window.ExecutablePath() + "\"");
}

void TMainController::cbChangeIPClick() {
    FSettings.SetSettingBool("ChangeIP", FView.Options.ChangeIPChecked());
    ResetChangeIPTime();
}

void TMainController::edtChangeIPTimeChange() {
    FSettings.SetSettingInteger("ChangeIPTime",
                                std::clamp(FView.Options.ChangeIPTime(), kMinInterval, kMaxInterval));
    ResetChangeIPTime();
}

void TMainController::cbClearCookieClick() {
    FSettings.SetSettingBool("ClearCookie", FView.Options.ClearCookieChecked());
}

void TMainController::ResetChangeIPTime() {
    FLastChangeIPTime = FPlatform.Clock->Now();
    FView.Window.SetTimerEnabled(TMainTimer::ChangeIP, FView.Options.ChangeIPChecked());
}

// ---- commands ----

void TMainController::SetAOT() {
    FAlwaysOnTop = FSettings.GetSettingBool("AlwaysOnTop");
    FView.Window.SetAlwaysOnTop(FAlwaysOnTop);
}

void TMainController::actAlwaysOnTopExecute() {
    FSettings.SetSettingBool("AlwaysOnTop", !FSettings.GetSettingBool("AlwaysOnTop"));
    SetAOT();
}

void TMainController::actSettingsExecute() {
    FView.Dialogs.ShowSettingsDialog();
    if (FDestroyed) return;                           // a destroyed window's check box would read as clear
    SetAutorun(FSettings.GetSettingBool("AutoRun"));  // also after a cancelled dialog
}

// ---- hiding ----

bool TMainController::ActionAllowed() {
    TDateTime now = FPlatform.Clock->Now();
    if (WholeSecondsBetween(now, FLastActionTime) < 1) {
        if (TCLEngine* engine = FEngine)
            engine->ShowMessageEx("MSGBox_ACTIONFAST", {}, 6, mtInformation, mb::OK, 0, false);
        return false;
    }
    FLastActionTime = now;
    return true;
}

void TMainController::ApplyProxy(const std::string& aProxy, TSystemStop stop) {
    const bool keepUserOwn = stop == TSystemStop::KeepUserOwn;
    if (stop == TSystemStop::Untouched) {
        FLeftoverCheck = TLeftoverCheck::Done;
    } else if (keepUserOwn && FLeftoverCheck == TLeftoverCheck::Deferred) {
        FLeftoverCheck = TLeftoverCheck::Posted;
        IUiDispatcher* ui = FPlatform.Ui;
        if (ui == nullptr || !ui->Post(FAlive.Guard([](TMainController& c) { c.RestoreLeftoverProxy(); })))
            RestoreLeftoverProxy();
    } else if (keepUserOwn) {
        FLeftoverCheck = TLeftoverCheck::Done;
        FSwitchers.RestoreSystemProxy();
    } else {
        RestoreLeftoverProxy(); // a hide keeps the user's own settings, never a leftover of ours
        FSwitchers.SetSystemProxy(aProxy);
    }
    FSwitchers.SetFirefoxProxy(aProxy);
    FSwitchers.SetOperaProxy(aProxy);
}

void TMainController::RestoreLeftoverProxy() {
    if (FLeftoverCheck != TLeftoverCheck::Posted) return;
    FLeftoverCheck = TLeftoverCheck::Done;
    FSwitchers.RestoreSystemProxy();
}

// What a hide and the country choice need first: an accepted update reply (one modal check
// when there was none) and the user's own information; otherwise the connection message
// and a new lookup. On a fresh installation the lists arrive with the update just waited
// for, before the init timer has seen them: the pool is loaded now, for this very command.
bool TMainController::ServiceReached() {
    TCLEngine* engine = FEngine;
    if (engine == nullptr || !FProxyManager) return false;
    const bool updated = engine->AppWaitFirstUpdate(); // may run the modal update window
    if (FDestroyed) return false;
    if (!updated || !FLocalInfoGot) {
        engine->ShowMessageEx("MSGBox.CHKNET", {}, 0, mtError, mb::OK, 0, false);
        if (!FDestroyed) StartLookup();
        return false;
    }
    LoadPool();
    return true;
}

void TMainController::actMaskaddrExecute() {
    if (!ActionAllowed()) return;
    DebugTrace::Trace("CLProxy", "Hide command");
    if (!ServiceReached()) return;
    TCLEngine* engine = FEngine;
    TProxyRec proxy =
        FProxyManager->GetIdleProxy(FProxyManager->TargetCountry(), false, TProxyRange::KAll, true);
    // A pool that never had a proxy for the country gives an empty record: pointing the
    // browsers at ":" would cut them off, so the current state stays.
    if (proxy.IP.empty()) {
        DebugTrace::Trace("CLProxy", "No proxy for the country " + FProxyManager->TargetCountry());
        engine->ShowMessageEx("MSGBox.NOPROXY", {TargetCountryName()}, 0, mtInformation, mb::OK, 0, false);
        return;
    }
    HideThrough(proxy);
}

void TMainController::HideThrough(const TProxyRec& proxy) {
    if (IsHiding() && SettingsChangedByOthers()) return OtherProgramChangedSettings();
    TCLEngine* engine = FEngine;
    FProxyManager->SetTargetProxy(proxy);
    const TProxyRec& target = FProxyManager->TargetProxy();
    ApplyProxy(target.IP + ":" + target.Port);
    FSystemSet = ReadStoredProxySettings(TBrowserContext{FPlatform, FSettings});
    TCLSettings& settings = FSettings;
    if (settings.GetSettingBool("ChangeIP")) FView.Window.SetTimerEnabled(TMainTimer::ChangeIP, true);
    if (target.IsSuper) {
        FProxyManager->Touch(target);
        FLastTouchTime = FPlatform.Clock->Now();
        FView.Window.SetTimerEnabled(TMainTimer::Touch, true);
    } else {
        FView.Window.SetTimerEnabled(TMainTimer::Touch, false);
    }
    const std::string flag = OverlayFlag(*FPlatform.Files, FSettings, target.Country_Short, true);
    IStatusOverlay& overlay = FView.Flag.Overlay();
    overlay.SetIPInfo("Target", "True", flag, target.IP, target.Country_Long, "", "0", "100");
    overlay.Fade("Target", true, 100);
    overlay.SetIPInfoA("Local", "50", "100");
    overlay.TurnTarget();
    FView.Window.BindHideCommand(true);
    FLastChangeIPTime = FPlatform.Clock->Now();
    // A rotation while no proxy of the country answers can only put back a dead one: the
    // notice stays, and the watch's retries go on without a second one.
    if (FWatch.FailedClosed() && FProxyManager->IsDead(target)) return;
    ClearNoticeDetails();
    if (engine != nullptr) overlay.SetTextInfo(engine->GetAppString("FLSMsg.Hiding"), 0);
    FWatch.Start();
    if (engine == nullptr) return;
    if (auto notice = FNotHidden.Next(*engine, FindBrowsers(TBrowserContext{FPlatform, FSettings})))
        Notice(notice->first, {notice->second});
}

// Returns every browser to a direct connection and the window to its ready state.
void TMainController::actStopHideExecute() {
    if (!ActionAllowed()) return;
    DebugTrace::Trace("CLProxy", "Stop command");
    if (IsHiding() && SettingsChangedByOthers()) return OtherProgramChangedSettings();
    StopHide();
}

void TMainController::StopHide(TSystemStop stop) {
    FWatch.Stop();
    FSystemSet.reset();
    IStatusOverlay& overlay = FView.Flag.Overlay();
    overlay.SetIPInfoA("Local", "100", "100");
    overlay.SetIPInfoA("Target", "100", "100");
    overlay.Fade("Target", false, 0);
    overlay.TurnLocal();
    ApplyProxy("", stop);
    FView.Window.BindHideCommand(false); // "stopped" once every browser has its settings back
    FView.Window.SetTimerEnabled(TMainTimer::ChangeIP, false);
    FView.Window.SetTimerEnabled(TMainTimer::Touch, false);
    ClearNoticeDetails();
    if (TCLEngine* engine = FEngine) overlay.SetTextInfo(engine->GetAppString("FLSMsg.Ready"), 16711680);
}

// ---- timers ----

void TMainController::tmrChangeIPTimer() {
    if (!IsHiding()) return;
    if (WholeMinutesBetween(FLastChangeIPTime, FPlatform.Clock->Now()) < FView.Options.ChangeIPTime()) return;
    actMaskaddrExecute();
    if (FDestroyed) return;
    if (FView.Options.ClearCookieChecked()) { // after every automatic rotation, even a refused one
        FSwitchers.ClearUrlCache();
        FSwitchers.ClearFirefoxCookies();
    }
}

void TMainController::tmrTouchTimer() {
    if (WholeMinutesBetween(FLastTouchTime, FPlatform.Clock->Now()) <= 30) return;
    if (!FProxyManager || !FProxyManager->TargetProxy().IsSuper) return;
    FProxyManager->Touch(FProxyManager->TargetProxy());
    FLastTouchTime = FPlatform.Clock->Now();
}

// The choice of the apparent country, once an update reply and the user's own information
// are there; after OK the new country is shown and hidden behind at once, whether or not
// the program was hiding.
void TMainController::actChooseIPCountryExecute() {
    if (!ServiceReached()) return;
    const bool ok = FView.Dialogs.ShowChooseIPCountry(*FProxyManager);
    if (FDestroyed || !ok) return;
    ResetCountryDisp();
    actMaskaddrExecute();
}

void TMainController::actCheckIPInfoExecute() {
    if (TCLEngine* engine = FEngine) engine->ShowPageByURL(FSettings.GetSettingString("URL.CheckIP"));
}

bool TMainController::spDynamicSkinFormObjectCommand(TCaptionCommand command) {
    switch (command) {
    case TCaptionCommand::Close: {
        TCLEngine* engine = FEngine;
        if (engine != nullptr && engine->SessionEnding()) return false;
        if (engine != nullptr)
            engine->ShowMessageEx("MSGBox.CloseNotify", {}, 1, mtInformation, mb::OK, 0, false);
        if (FDestroyed) return false;
        FView.Tray.MinimizeToTray();
        return true;
    }
    case TCaptionCommand::Maximize:
    case TCaptionCommand::RollUp:
        return true;
    default:
        return false;
    }
}

void TMainController::tmrInitTimer() {
    const bool wasLoaded = FPoolLoaded;
    if (LoadPool() && !wasLoaded && FSettings.GetSettingBool("TestIPfromLocal")) TestIPfromLocal();
}

// Also from the settings dialog, where the lists may not have been loaded yet.
void TMainController::TestIPfromLocal() {
    if (!FProxyManager) return;
    LoadPool();
    FView.Dialogs.ShowTestingWindow(ProxiesToVerify(*FProxyManager, FProxyManager->TargetCountry()),
                                    FSettings.GetSettingString("URL.VerifyIP"));
}

// The first load, from the init timer or from the first hide when that hide's update
// delivered the lists first; every accepted update reloads them after (UpdateAccepted).
bool TMainController::LoadPool() {
    if (FPoolLoaded) return true;
    if (!FProxyManager || !FProxyManager->ReloadSettings()) return false;
    FPoolLoaded = true;
    FView.Window.SetTimerEnabled(TMainTimer::Init, false);
    ResetCountryDisp();
    return true;
}

// ---- the world changes ----

void TMainController::tmrWatchTimer() {
    if (FDestroyed || !FProxyManager) return;
    const TDateTime now = FPlatform.Clock->Now();
    if (!FLocalInfoGot && FLookupsPending == 0 && FNextLookup != 0 && now >= FNextLookup) {
        FNextLookup = 0;
        StartLookup();
    }
    if (now >= FNextUpdateLook) {
        FNextUpdateLook = now + 1.0 / 24;
        if (FSettings.GetSettingBool("Update.BeginAuto"))
            if (TCLEngine* engine = FEngine) engine->AppUpdateAuto(); // runs when "Update.Days" passed
    }
    if (!IsHiding()) return;
    if (SettingsChangedByOthers()) return OtherProgramChangedSettings();
    FWatch.Tick();
}

// The delivered lists replace the pool's; a proxy in use that the service withdrew is left
// at once for the next one of the country that answers.
void TMainController::UpdateAccepted() {
    if (FDestroyed || !FProxyManager) return;
    DebugTrace::Trace("CLProxy", "Update accepted: the pool takes the delivered lists");
    if (!FProxyManager->ReloadSettings() && !FPoolLoaded) return;
    if (!FPoolLoaded) {
        FPoolLoaded = true;
        FView.Window.SetTimerEnabled(TMainTimer::Init, false);
    }
    ResetCountryDisp();
    if (IsHiding() && !FProxyManager->IsListed(FProxyManager->TargetProxy())) FWatch.Withdrawn();
}

bool TMainController::SettingsChangedByOthers() {
    return FSystemSet && *FSystemSet != ReadStoredProxySettings(TBrowserContext{FPlatform, FSettings});
}

// Another program (or the user in the system's dialog) set the proxy while we hid: its
// settings are the user's own from now on. Hiding ends without touching them, and nothing
// of ours puts anything back over them later (the journal goes).
void TMainController::OtherProgramChangedSettings() {
    DebugTrace::Trace("CLProxy", "Another program changed the system proxy settings: hiding ends, they stay");
    DropProxyJournal(TBrowserContext{FPlatform, FSettings});
    StopHide(TSystemStop::Untouched);
    Notice("Watch.OtherProgram", {});
}

// The overlay shows the notice's first line in its text and the rest in its second text,
// until the next change of state; the balloon shows it whole.
void TMainController::Notice(const std::string& key, const std::vector<std::string>& args) {
    TCLEngine* engine = FEngine;
    if (engine == nullptr || FDestroyed) return;
    const std::string text = engine->GetAppStringEx(key, args);
    DebugTrace::Trace("CLNotice", ReplaceAll(text, "\r\n", " "));
    const size_t cut = text.find("\r\n");
    IStatusOverlay& overlay = FView.Flag.Overlay();
    overlay.SetTextInfo(text.substr(0, cut), 0);
    if (cut != std::string::npos) {
        overlay.SetTextInfo2(text.substr(cut + 2), 0);
        FNoticeDetails = true;
    }
    FView.Tray.ShowNotice(text);
}

void TMainController::ClearNoticeDetails() {
    if (std::exchange(FNoticeDetails, false)) FView.Flag.Overlay().SetTextInfo2("", 0);
}

std::string TMainController::TargetCountryName() {
    const std::string& code = FProxyManager->TargetCountry();
    const std::string name = code == "UN" ? "Auto Selected" : FProxyManager->GetCountryLong(code);
    return name.empty() ? code : name;
}

std::string TMainController::RealAddress() {
    return FProxyManager ? FindListValue(FProxyManager->LocalInfo(), "IP").value_or("") : std::string();
}

// The watch found a proxy that answers: the browsers move to it as a rotation would move
// them (no guard, no cookie clearing).
void TMainController::MoveToProxy(const TProxyRec& proxy) {
    if (FDestroyed || !FProxyManager || !IsHiding()) return;
    DebugTrace::Trace("CLProxy", "Moving to the proxy " + proxy.IP + ":" + proxy.Port);
    HideThrough(proxy);
}

void TMainController::NoProxyAnswers(bool none) {
    Notice(none ? "Watch.NoProxy" : "Watch.Resumed", {TargetCountryName()});
}

} // namespace maskaddr
