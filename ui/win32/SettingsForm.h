// TfrmSettings: the settings dialog. Two pages ("General", "Browser") of check boxes,
// repair buttons and the language over OK and Cancel; a thin window whose logic is
// TSettingsController's. Shown modally by the main window.
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
constexpr int btnOK = IDOK;
constexpr int btnCancel = IDCANCEL;
} // namespace settingsIds

class TfrmSettings final : public TWin32Form, public ISettingsView {
public:
    TfrmSettings(HWND owner, IFirefoxSetup& firefox, TSetRunAtLogon setRunAtLogon);
    TSettingsController& Controller() { return FController; }

    // ISettingsView
    bool Checked(TSettingsBox box) override;
    void SetChecked(TSettingsBox box, bool checked) override;
    void SelectPage(int index) override;
    void SetLanguages(const std::vector<std::string>& names, int selected) override;
    std::string SelectedLanguage() override;
    std::optional<std::string> BrowseForFolder(const std::string& title,
                                               const std::string& initialFolder) override;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void OnCommand(int id);
    int BoxId(TSettingsBox box) const;
    bool OnPage(HWND control) const;

    TSettingsController FController;
    TComboBoxControl* FLanguage = nullptr;   // a component of the window
    std::map<int, std::vector<HWND>> FPages; // the controls of each page, by page index
};

} // namespace maskaddr
