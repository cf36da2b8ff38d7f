// TfrmSettings: the settings dialog. Three pages ("General", "Browser", "Browser check") of
// check boxes, repair buttons, the language and the list of browsers with what covers them,
// over OK and Cancel; a thin window whose logic is TSettingsController's. Shown modally by
// the main window.
#pragma once

#include "ui/SettingsDialog.h"
#include "ui/win32/Win32Form.h"

#include <map>

namespace maskaddr {

// Stable control identifiers: a test driver finds the controls by them.
namespace settingsIds {
constexpr int pcSetting = 301;
constexpr int cbAutoRun = 302;
constexpr int cbAutoUpdate = 303;
constexpr int cbTestIPfromLocal = 304;
constexpr int btnClearShowAgainFlag = 305;
constexpr int btnTestNow = 306;
constexpr int lblBrowser = 307;
constexpr int cbIE = 308;
constexpr int cbFF = 309;
constexpr int cbOpera = 310;
constexpr int btnReinstallFF = 311;
constexpr int lblLanguage = 312;
constexpr int cbbLanguage = 313;
constexpr int lblCoverage = 314;
constexpr int lvBrowsers = 315; // a report list view: column 0 the browser, column 1 its state
constexpr int btnFollow = 316;
constexpr int btnOK = IDOK;
constexpr int btnCancel = IDCANCEL;
} // namespace settingsIds

class TfrmSettings final : public TWin32Form, public ISettingsView {
public:
    TfrmSettings(HWND owner, IFirefoxSetup& firefox, TSetRunAtLogon setRunAtLogon,
                 const TBrowserContext& context, TSettingsController::TEngineParts engine,
                 const TFormData& formData);
    TSettingsController& Controller() { return FController; }

    // ISettingsView
    bool Checked(TSettingsBox box) override;
    void SetChecked(TSettingsBox box, bool checked) override;
    void SelectPage(int index) override;
    void SetLanguages(const std::vector<std::string>& names, int selected) override;
    std::string SelectedLanguage() override;
    std::optional<std::string> BrowseForFolder(const std::string& title,
                                               const std::string& initialFolder) override;
    void SetBrowserRows(const std::vector<std::pair<std::string, std::string>>& rows) override;
    int SelectedBrowserRow() override;
    void SetFollowEnabled(bool enabled) override;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void CreateBrowserList();
    void OnCommand(int id);
    bool OnNotify(const NMHDR& notice); // false: not one of ours
    int BoxId(TSettingsBox box) const;
    bool OnPage(HWND control) const;

    IAppTexts& FTexts;
    TSettingsController FController;
    TComboBoxControl* FLanguage = nullptr;   // a component of the window
    std::map<int, std::vector<HWND>> FPages; // the controls of each page, by page index
};

} // namespace maskaddr
