// TSettingsController: the logic of the settings dialog (TfrmSettings). The window
// forwards its buttons here and is driven back through ISettingsView: the check boxes
// and the language are loaded from the settings and the engine, and written back only on OK.
// Its "Browser check" page lists which browsers the hiding covers; "Make it follow Maskaddr"
// changes a Firefox profile at once (OK or Cancel do not undo it).
#pragma once

#include "browsers/BrowserCoverage.h"
#include "browsers/BrowserSwitchers.h"
#include "framework/engine/EngineParts.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace maskaddr {

// The dialog's check boxes. TestIPfromLocal sits on the General page beside the others.
enum class TSettingsBox { AutoRun, AutoUpdate, TestIPfromLocal, IE, FF, Opera };

class ISettingsView {
public:
    virtual ~ISettingsView() = default;
    virtual bool Checked(TSettingsBox box) = 0;
    virtual void SetChecked(TSettingsBox box, bool checked) = 0;
    virtual void SelectPage(int index) = 0;
    // The language drop-down: the names offered, and the one selected (-1: none).
    virtual void SetLanguages(const std::vector<std::string>& names, int selected) = 0;
    // The name selected now; empty when none is.
    virtual std::string SelectedLanguage() = 0;
    // The system's folder browser owned by the dialog: the chosen folder, or nullopt when
    // the user cancelled it.
    virtual std::optional<std::string> BrowseForFolder(const std::string& title,
                                                       const std::string& initialFolder) = 0;
    // The "Browser check" page: one row (name, state) per browser and Firefox profile, none
    // selected; the row selected now (-1: none); and the "Make it follow Maskaddr" button.
    virtual void SetBrowserRows(const std::vector<std::pair<std::string, std::string>>& rows) = 0;
    virtual int SelectedBrowserRow() = 0;
    virtual void SetFollowEnabled(bool enabled) = 0;
};

// The autorun value writer of the main window: enable, value name, command.
using TSetRunAtLogon = std::function<void(bool, const std::string&, const std::string&)>;

class TSettingsController {
public:
    // The engine's parts it needs: texts for the browser check, message boxes, the language.
    struct TEngineParts {
        IAppTexts& Texts;
        IMessageBoxes& Messages;
        ILanguageChoice& Languages;
    };
    TSettingsController(ISettingsView& view, IFirefoxSetup& firefox, TSetRunAtLogon setRunAtLogon,
                        const TBrowserContext& context, TEngineParts engine);

    void FormCreate();
    void LoadOptions();
    void SaveOptions();
    void btnOKClick() { SaveOptions(); }
    void btnClearShowAgainFlagClick();
    void btnReinstallFFClick();
    // The browsers as they are now, on the "Browser check" page.
    void LoadBrowsers();
    // The button serves only a Firefox profile that uses its own setting by its own choice.
    void lvBrowsersSelectItem();
    // Makes the selected profile follow, tells the user how it went, and lists anew.
    void btnFollowClick();
    const std::vector<TBrowserState>& Browsers() const { return FBrowsers; }
    // "Test proxies now": the main window opens the verification window.
    void btnTestNowClick() {
        if (OnTestProxies) OnTestProxies();
    }
    std::function<void()> OnTestProxies;

private:
    // Asks the user for the Firefox folder and remembers its firefox.exe: false when
    // nothing was stored (the browser cancelled, or no firefox.exe in the folder).
    bool AskFirefoxPath();

    void Inform(const char* key, const std::vector<std::string>& args = {});

    ISettingsView& FView;
    IFirefoxSetup& FFirefox;
    TBrowserContext FContext;
    TEngineParts FEngine;
    TSetRunAtLogon FSetRunAtLogon;
    std::vector<TBrowserState> FBrowsers; // by row
};

} // namespace maskaddr
