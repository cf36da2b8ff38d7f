// The settings dialog's logic (see SettingsDialog.h).
#include "ui/SettingsDialog.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "browsers/FirefoxFollow.h"
#include "framework/engine/MessageDialog.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"
#include "ui/BrowserTexts.h"

#include <algorithm>

namespace maskaddr {

namespace {

// The settings behind the check boxes, in the order LoadOptions reads them.
struct TBoxSetting {
    TSettingsBox Box;
    const char* Name;
};
constexpr TBoxSetting kLoadOrder[] = {{TSettingsBox::AutoRun, "AutoRun"},
                                      {TSettingsBox::IE, "SWITCH.IE"},
                                      {TSettingsBox::FF, "SWITCH.FF"},
                                      {TSettingsBox::Opera, "SWITCH.OPERA"},
                                      {TSettingsBox::AutoUpdate, "Update.AutoCheck"},
                                      {TSettingsBox::TestIPfromLocal, "TestIPfromLocal"}};

} // namespace

TSettingsController::TSettingsController(ISettingsView& view, IFirefoxSetup& firefox,
                                         TSetRunAtLogon setRunAtLogon, const TBrowserContext& context,
                                         TEngineParts engine)
    : FView(view), FFirefox(firefox), FContext(context), FEngine(engine),
      FSetRunAtLogon(std::move(setRunAtLogon)) {}

void TSettingsController::Inform(const char* key, const std::vector<std::string>& args) {
    FEngine.Messages.ShowMessageEx(key, args, 0, mtInformation, mb::OK, 0, false);
}

void TSettingsController::FormCreate() {
    FView.SelectPage(0);
    LoadOptions();
    LoadBrowsers();
}

void TSettingsController::LoadOptions() {
    TCLSettings& settings = FContext.Settings;
    for (const TBoxSetting& b : kLoadOrder)
        FView.SetChecked(b.Box, settings.GetSettingBool(b.Name));
    ILanguageChoice& languages = FEngine.Languages;
    const std::vector<std::string>& names = languages.LanguageList();
    int selected = -1;
    for (size_t i = 0; i < names.size() && selected < 0; ++i)
        if (SameText(names[i], languages.Language())) selected = static_cast<int>(i);
    FView.SetLanguages(names, selected);
}

// The autorun value follows the box at once; the browser switches take effect at the
// next hide or stop, when each switcher reads its own setting.
void TSettingsController::SaveOptions() {
    TCLSettings& settings = FContext.Settings;
    const bool autoRun = FView.Checked(TSettingsBox::AutoRun);
    settings.SetSettingBool("AutoRun", autoRun);
    if (FSetRunAtLogon)
        FSetRunAtLogon(autoRun, settings.GetSettingString("App.Name"),
                       FContext.Facilities.Files->ProgramPath());
    settings.SetSettingBool("SWITCH.IE", FView.Checked(TSettingsBox::IE));
    settings.SetSettingBool("SWITCH.FF", FView.Checked(TSettingsBox::FF));
    settings.SetSettingBool("SWITCH.OPERA", FView.Checked(TSettingsBox::Opera));
    settings.SetSettingBool("Update.AutoCheck", FView.Checked(TSettingsBox::AutoUpdate));
    settings.SetSettingBool("TestIPfromLocal", FView.Checked(TSettingsBox::TestIPfromLocal));
    // The engine stores the language and translates every open window at once.
    const std::string language = FView.SelectedLanguage();
    if (!language.empty()) FEngine.Languages.SetLanguage(language);
}

void TSettingsController::btnClearShowAgainFlagClick() {
    FContext.Settings.ClearShowAgainFlag();
}

void TSettingsController::btnReinstallFFClick() {
    if (!FFirefox.IsFirefoxInstalled()) return Inform("MSGBox.FFUninstalled");
    if (!FFirefox.InstallFirefoxExtension()) {
        Inform("MSGBox.FFPath");
        if (AskFirefoxPath()) FFirefox.InstallFirefoxExtension(); // a second failure is silent
    }
    if (FFirefox.IsFirefoxRunning()) Inform("MSGBox.FFRestart");
}

// The Firefox locator takes "FireFoxPath" only when it names an existing file, so the
// folder's firefox.exe is stored, never the folder itself.
bool TSettingsController::AskFirefoxPath() {
    std::optional<std::string> folder =
        FView.BrowseForFolder("Choose Firefox Path", FolderOf(FFirefox.FindFirefoxPath()));
    if (!folder) return false;
    std::string exe = *folder;
    if (!exe.empty() && exe.back() != '\\') exe += '\\';
    exe += "firefox.exe";
    if (!FContext.Facilities.Files->FileExists(exe)) {
        DebugTrace::Trace("Settings", "No firefox.exe in the chosen folder " + *folder);
        return false;
    }
    FContext.Settings.SetSettingstring("FireFoxPath", exe);
    return true;
}

void TSettingsController::LoadBrowsers() {
    FBrowsers = FindBrowsers(FContext);
    std::vector<std::pair<std::string, std::string>> rows;
    for (const TBrowserState& b : FBrowsers)
        rows.emplace_back(BrowserName(FEngine.Texts, b), BrowserStateText(FEngine.Texts, b));
    FView.SetBrowserRows(rows);
    FView.SetFollowEnabled(false);
}

void TSettingsController::lvBrowsersSelectItem() {
    const int row = FView.SelectedBrowserRow();
    FView.SetFollowEnabled(row >= 0 && static_cast<size_t>(row) < FBrowsers.size() &&
                           FBrowsers[static_cast<size_t>(row)].CanFollow());
}

// The state is read again first: a profile changed since the list was made is not written.
void TSettingsController::btnFollowClick() {
    const int row = FView.SelectedBrowserRow();
    if (row < 0 || static_cast<size_t>(row) >= FBrowsers.size()) return;
    const TBrowserState chosen = FBrowsers[static_cast<size_t>(row)];
    if (!chosen.CanFollow()) return;
    LoadBrowsers();
    const auto now = std::find_if(FBrowsers.begin(), FBrowsers.end(), [&](const TBrowserState& b) {
        return b.Browser == chosen.Browser && b.ProfileFolder == chosen.ProfileFolder;
    });
    if (now == FBrowsers.end() || !now->CanFollow()) return;
    const TFollowResult result = MakeFirefoxProfileFollow(FContext, chosen.ProfileFolder);
    switch (result.Outcome) {
    case TFollowResult::TOutcome::Written:
        Inform("Browsers.FollowDone", {BrowserName(FEngine.Texts, chosen)});
        break;
    case TFollowResult::TOutcome::Unreadable:
        Inform("Browsers.FollowUnreadable", {result.File});
        break;
    case TFollowResult::TOutcome::NotWritten:
        Inform("Browsers.FollowFailed", {result.File, result.Error});
        break;
    }
    LoadBrowsers();
}

} // namespace maskaddr
