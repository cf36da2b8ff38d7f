// The main window's logic (see MainController.h).
#include "app/MainController.h"

#include "framework/engine/CLEngine.h"
#include "framework/settings/CLSettings.h"
#include "framework/text/Text.h"
#include "platform/Platform.h"
#include "proxy/ProxyManager.h"

#include <algorithm>
#include <cmath>

namespace maskaddr {

namespace {
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr int kMinInterval = 1, kMaxInterval = 120;
} // namespace

void SetRunAtLogon(bool enable, const std::string& valueName, const std::string& command) {
    IRegistry& reg = *Platform().Registry;
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

TMainController::TMainController(IMainView& view) : FView(view) {}
TMainController::~TMainController() = default;

// ---- creation and destruction ----

void TMainController::FormCreate() {
    FProxyManager = std::make_unique<TProxyManager>();
    FProxyManager->SetOnGetCurrentLocalInfo(
        [this](TProxyManager& sender) { ProxyManagerGetCurrentLocalInfo(sender); });
    actStopHideExecute();
    LoadSettings();
    FLocalInfoGot = false;
    FProxyManager->GetCurrentLocalInfo();
    if (TCLEngine* engine = Engine()) FView.SetTextInfo(engine->GetAppString("FLSMsg.Verifing"), 0);
    SetAOT();
    FLastActionTime = Platform().Clock->Now();
}

void TMainController::FormDestroy() {
    actStopHideExecute();
    if (FProxyManager) Settings().SetSettingstring("TARGET_COUNTRY", FProxyManager->TargetCountry());
    FProxyManager.reset();
}

// Hiding needs the user's own IP information; once it has arrived the window is ready.
void TMainController::ProxyManagerGetCurrentLocalInfo(TProxyManager&) {
    FLocalInfoGot = true;
    if (TCLEngine* engine = Engine()) FView.SetTextInfo(engine->GetAppString("FLSMsg.Ready"), 16711680);
}

// The country label for the pool's target country ("UN" is any country).
void TMainController::ResetCountryDisp() {
    if (!FProxyManager) return;
    const std::string& code = FProxyManager->TargetCountry();
    FView.SetCountryText(code == "UN" ? "Auto Selected" : FProxyManager->GetCountryLong(code));
}

void TMainController::LoadSettings() {
    TCLSettings& s = Settings();
    SetAutorun(s.GetSettingBool("AutoRun"));
    SetChangeIP(s.GetSettingBool("ChangeIP"));
    SetClearCookie(s.GetSettingBool("ClearCookie"));
    SetChangeIPTimeValue(s.GetSettingInteger("ChangeIPTime"));
}

// ---- option controls ----

void TMainController::SetAutorun(bool checked) {
    FView.SetAutorunChecked(checked);
    cbAutorunClick();
}

void TMainController::SetChangeIP(bool checked) {
    FView.SetChangeIPChecked(checked);
    cbChangeIPClick();
}

void TMainController::SetClearCookie(bool checked) {
    FView.SetClearCookieChecked(checked);
    cbClearCookieClick();
}

void TMainController::SetChangeIPTimeValue(int minutes) {
    FView.SetChangeIPTime(std::clamp(minutes, kMinInterval, kMaxInterval));
    edtChangeIPTimeChange();
}

void TMainController::cbAutorunClick() {
    bool checked = FView.AutorunChecked();
    Settings().SetSettingBool("AutoRun", checked);
    SetRunAtLogon(checked, Settings().GetSettingString("App.Name"), FView.ExecutablePath());
}

void TMainController::cbChangeIPClick() {
    Settings().SetSettingBool("ChangeIP", FView.ChangeIPChecked());
    ResetChangeIPTime();
}

void TMainController::edtChangeIPTimeChange() {
    Settings().SetSettingInteger("ChangeIPTime",
                                 std::clamp(FView.ChangeIPTime(), kMinInterval, kMaxInterval));
    ResetChangeIPTime();
}

void TMainController::cbClearCookieClick() {
    Settings().SetSettingBool("ClearCookie", FView.ClearCookieChecked());
}

void TMainController::ResetChangeIPTime() {
    FLastChangeIPTime = Platform().Clock->Now();
    FView.SetTimerEnabled(TMainTimer::ChangeIP, FView.ChangeIPChecked());
}

// ---- commands ----

void TMainController::SetAOT() {
    FAlwaysOnTop = Settings().GetSettingBool("AlwaysOnTop");
    FView.SetAlwaysOnTop(FAlwaysOnTop);
}

void TMainController::actAlwaysOnTopExecute() {
    Settings().SetSettingBool("AlwaysOnTop", !Settings().GetSettingBool("AlwaysOnTop"));
    SetAOT();
}

void TMainController::actSettingsExecute() {
    FView.ShowSettingsDialog();
    SetAutorun(Settings().GetSettingBool("AutoRun")); // also after a cancelled dialog
}

// Returns every browser to a direct connection and the window to its ready state.
void TMainController::actStopHideExecute() {
    FView.SetTimerEnabled(TMainTimer::ChangeIP, false);
    FView.SetTimerEnabled(TMainTimer::Touch, false);
    FView.BindHideCommand(false);
    if (TCLEngine* engine = Engine()) FView.SetTextInfo(engine->GetAppString("FLSMsg.Ready"), 16711680);
}

bool TMainController::spDynamicSkinFormObjectCommand(TCaptionCommand command) {
    switch (command) {
    case TCaptionCommand::Close: {
        TCLEngine* engine = Engine();
        if (engine != nullptr && engine->SessionEnding()) return false;
        if (engine != nullptr)
            engine->ShowMessageEx("MSGBox.CloseNotify", {}, 1, mtInformation, mb::OK, 0, false);
        FView.MinimizeToTray();
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
    if (!FProxyManager || !FProxyManager->LoadSettings()) return;
    FView.SetTimerEnabled(TMainTimer::Init, false);
    ResetCountryDisp();
}

} // namespace maskaddr
