// The program in every shipped language under Wine: the captions read back from the real
// windows are the language file's, every caption fits its control, the language menu
// translates the open windows at once and is remembered; and the menu's Win32 submenu.
// Before windows.h, whose macro GetProp (undefined below) would rename the language
// document's lookup.
#include "framework/language/CLMultiLang.h"

#include "ProgramTest.h"
#include "Screenshot.h"
#include "app/MainIds.h"
#include "ui/win32/ChoiceMenuWin.h"
#include "ui/win32/ChooseIPCountryForm.h"
#include "ui/win32/SettingsForm.h"
#include "ui/win32/Win32Form.h"

#include <commctrl.h>

#include <functional>

#include <gtest/gtest.h>

#undef GetProp

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// The shipped languages in the order of the language menu (English, then by name).
const std::vector<std::string> kLanguages{"English",  "French",  "German", "Italian",
                                          "Japanese", "Korean",  "Polish", "Portuguese (Brazil)",
                                          "Russian",  "Spanish", "Turkish"};

// A control and the language file's key of its caption.
struct TCaptionKey {
    int Id;
    const char* Key;
};
const TCaptionKey kMainCaptions[] = {
    {ids::btnHide, "actMaskaddr.Caption"},     {ids::btnChooseIP, "actChooseIPCountry.Caption"},
    {ids::btnSettings, "actSettings.Caption"}, {ids::lblFake, "lblFake.Caption"},
    {ids::cbAutorun, "cbAutorun.Caption"},     {ids::cbChangeIP, "cbChangeIP.Caption"},
};
const TCaptionKey kSettingsCaptions[] = {
    {settingsIds::cbAutoRun, "cbAutoRun.Caption"},
    {settingsIds::cbAutoUpdate, "cbAutoUpdate.Caption"},
    {settingsIds::cbTestIPfromLocal, "cbTestIPfromLocal.Caption"},
    {settingsIds::btnClearShowAgainFlag, "btnClearShowAgainFlag.Caption"},
    {settingsIds::btnTestNow, "btnTestNow.Caption"},
    {settingsIds::lblLanguage, "lblLanguage.Caption"},
    {settingsIds::lblBrowser, "lblBrowser.Caption"},
    {settingsIds::cbFF, "cbFF.Caption"},
    {settingsIds::btnReinstallFF, "btnReinstallFF.Caption"},
    {settingsIds::lblCoverage, "lblCoverage.Caption"},
    {settingsIds::btnFollow, "btnFollow.Caption"},
    {settingsIds::btnOK, "btnOK.Caption"},
    {settingsIds::btnCancel, "btnCancel.Caption"},
};

// The texts of one shipped language file, decoded as the program decodes them.
class TShippedLanguage {
public:
    explicit TShippedLanguage(const std::string& name) {
        std::string bytes =
            TFileSystemWin().ReadFile(TestProgramFolder() + "lang\\" + name + ".lan").value_or("");
        if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
        FDoc.LoadFromString(bytes);
    }
    std::string Text(const std::string& form, const std::string& key) {
        std::string value = "<missing " + key + ">";
        FDoc.GetProp(form, "", key, value);
        return value;
    }

private:
    TCLMultiLangLan FDoc;
};

std::string WindowText(HWND w) {
    wchar_t text[1024] = {};
    SendMessageW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return ToUtf8(text);
}

RECT RectIn(HWND control, HWND window) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The visible captions of a window that do not fit their controls, measured in the
// windows' own font on one line for check boxes and buttons, wrapped for labels; and
// captioned controls that leave the window or lie on another control (a widened one). Font handles belong to
// the program's process (under Wine, WM_GETFONT sent from this one answers none), so the test makes the same
// font with the windows' own function.
std::vector<std::string> CaptionsThatDoNotFit(HWND window, const std::string& where, int boldId = 0,
                                              UINT dpi = 96) {
    struct TContext {
        HWND Window;
        std::string Where;
        int BoldId;
        std::vector<std::string> Found;
        UINT Dpi;
        TGdiFont Font = CreateUiFont(false, Dpi), Bold = CreateUiFont(true, Dpi);
    } c{window, where, boldId, {}, dpi};
    EnumChildWindows(
        window,
        [](HWND w, LPARAM p) -> BOOL {
            auto& c = *reinterpret_cast<TContext*>(p);
            wchar_t cls[32] = {};
            GetClassNameW(w, cls, 32);
            const std::wstring text = ToWide(WindowText(w));
            const LONG style = GetWindowLongW(w, GWL_STYLE);
            if (!IsWindowVisible(w) || text.empty() || GetParent(w) != c.Window) return TRUE;
            const HFONT font = GetDlgCtrlID(w) == c.BoldId ? c.Bold.Get() : c.Font.Get();
            RECT r{};
            GetClientRect(w, &r);
            int needW = 0, needH = 0;
            if (lstrcmpiW(cls, L"Button") == 0) {
                const LONG type = style & BS_TYPEMASK;
                if (type == BS_GROUPBOX) return TRUE;
                const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                                 type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
                const SIZE s = CaptionExtent(text, font);
                needW = s.cx + (box ? CheckBoxTextOffset(c.Dpi) : ScaledPixels(kButtonTextMargin, c.Dpi));
                needH = s.cy;
            } else if (lstrcmpiW(cls, L"Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT) {
                const SIZE s = CaptionExtent(text, font, r.right);
                needW = s.cx;
                needH = s.cy;
            } else {
                return TRUE;
            }
            RECT inWindow = RectIn(w, c.Window), client{};
            GetClientRect(c.Window, &client);
            HWND covered = nullptr; // the interval's edit lies on its check box's caption by design
            for (HWND other = GetWindow(c.Window, GW_CHILD);
                 other != nullptr && GetDlgCtrlID(w) != ids::cbChangeIP;
                 other = GetWindow(other, GW_HWNDNEXT)) {
                wchar_t otherClass[32] = {};
                GetClassNameW(other, otherClass, 32);
                RECT o = RectIn(other, c.Window), both{};
                if (other != w && IsWindowVisible(other) && lstrcmpiW(otherClass, WC_TABCONTROLW) != 0 &&
                    IntersectRect(&both, &o, &inWindow))
                    covered = other;
            }
            if (covered != nullptr)
                c.Found.push_back(c.Where + " " + std::to_string(GetDlgCtrlID(w)) + " \"" + ToUtf8(text) +
                                  "\" lies on control " + std::to_string(GetDlgCtrlID(covered)));
            if (needW > r.right || needH > r.bottom || inWindow.right > client.right)
                c.Found.push_back(c.Where + " " + std::to_string(GetDlgCtrlID(w)) + " \"" + ToUtf8(text) +
                                  "\": needs " + std::to_string(needW) + "x" + std::to_string(needH) +
                                  ", has " + std::to_string(r.right) + "x" + std::to_string(r.bottom) +
                                  " ending at " + std::to_string(inWindow.right) + " of " +
                                  std::to_string(client.right));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&c));
    // The interval's edit lies on the blanks of its check box's caption, hiding no word.
    if (HWND box = GetDlgItem(window, ids::cbChangeIP); box != nullptr) {
        const std::wstring caption = ToWide(WindowText(box));
        const size_t blanks = caption.find(L"  "), after = caption.find_first_not_of(L' ', blanks);
        const int left = RectIn(box, window).left + CheckBoxTextOffset(c.Dpi);
        const int wordsEnd = left + CaptionExtent(caption.substr(0, blanks), c.Font.Get()).cx;
        const int wordsAgain = left + CaptionExtent(caption.substr(0, after), c.Font.Get()).cx;
        const RECT edit = RectIn(GetDlgItem(window, ids::edtChangeIPTime), window),
                   spin = RectIn(GetDlgItem(window, ids::udChangeIPTime), window);
        if (blanks == std::wstring::npos || edit.left < wordsEnd ||
            (after != std::wstring::npos && std::max(edit.right, spin.right) > wordsAgain))
            c.Found.push_back(where + " the interval's edit at " + std::to_string(edit.left) + ".." +
                              std::to_string(std::max(edit.right, spin.right)) + " covers words ending at " +
                              std::to_string(wordsEnd) + " or starting at " + std::to_string(wordsAgain));
    }
    return c.Found;
}

// The program's requests go to a server of the test: the lookup answers (so the country
// chooser opens), the rest gets 404. A pool of one proxy, no update needed.
class LanguageWinTest : public TProgramTest {
protected:
    void SetUp() override {
        TProgramTest::SetUp();
        Service.SetReply("/getinfo", {200, "IP=127.0.0.1\r\nCOUNTRY_SHORT=QQ\r\nCOUNTRY_LONG=Testland\r\n"});
    }
    void Start(const std::string& language, const std::string& more = "") {
        WriteUserFile(more + "Language=" + language +
                      "\r\nUpdate.Times=1\r\nNORMAL_IPS=" + Entry(ProxyA, "Testland|QQ|0|0") + "\r\nURL.VerifyIP=" +
                      Service.Url("/verifyip") + "\r\n");
    }
};

// A screen point in the window's client coordinates.
POINT ClientPoint(HWND w, LONG x, LONG y) {
    POINT p{x, y};
    ScreenToClient(w, &p);
    return p;
}

} // namespace

namespace {

constexpr int kUpdateOk = 106; // the update window's single Ok under a result

// Opens each window of the running program in turn from the main window w (the pages of the
// settings dialog, the verification window, the country chooser, the about window, the update
// window's result), hands it
// to look with its name ("main window" first), and closes it again.
void VisitEveryWindow(const TBuiltApp& app, HWND w, const std::string& trace,
                      const std::function<void(HWND, const std::string&)>& look) {
    look(w, "main window");
    TSettingsDriver settings(app, w);
    ASSERT_NE(settings.Dialog, nullptr);
    look(settings.Dialog, "settings, General");
    settings.NextPage();
    Sleep(200);
    look(settings.Dialog, "settings, Browser");
    settings.NextPage();
    Sleep(200);
    look(settings.Dialog, "settings, Browser check");
    // The verification window, from the dialog's button (posted: it runs modally).
    PostMessageW(GetDlgItem(settings.Dialog, settingsIds::btnTestNow), BM_CLICK, 0, 0);
    HWND testing = app.WaitForWindow("TfrmTesting");
    ASSERT_NE(testing, nullptr);
    look(testing, "verification window");
    PostMessageW(testing, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(testing); }, 10000));
    EXPECT_TRUE(settings.Close(IDCANCEL));

    // The country chooser, once the lookup has answered.
    ASSERT_TRUE(WaitForText(trace, kLookupAnswered));
    HWND chooser = nullptr;
    EXPECT_EQ(app.ClickOnce(w, ids::actChooseIPCountry,
                            [&] { return (chooser = app.WaitForWindow("TfrmChooseIPCountry", 0)) != nullptr; }),
              "");
    ASSERT_NE(chooser, nullptr);
    look(chooser, "country chooser");
    PostMessageW(GetDlgItem(chooser, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(chooser); }, 10000));

    PostMessageW(w, WM_COMMAND, ids::actAbout, 0);
    HWND about = app.WaitForWindow("TfrmCLAboutForm");
    ASSERT_NE(about, nullptr);
    look(about, "about window");
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(about); }, 10000));

    // The update window's result: the test's service has no reply for it, so the error text
    // and the single Ok.
    PostMessageW(w, WM_COMMAND, ids::actUpdate, 0);
    HWND update = app.WaitForWindow("TfrmCLUpdateForm");
    ASSERT_NE(update, nullptr);
    HWND ok = GetDlgItem(update, kUpdateOk);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(ok) != FALSE; }, 20000));
    look(update, "update window");
    PostMessageW(ok, BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(update); }, 10000));
}

} // namespace

TEST_F(LanguageWinTest, EveryLanguageShowsItsCaptionsAndEveryCaptionFits) {
    std::vector<std::string> notFitting;
    for (const std::string& language : kLanguages) {
        SCOPED_TRACE(language);
        Start(language);
        TShippedLanguage texts(language);
        TBuiltApp app("-d");
        HWND w = app.Ready();
        ASSERT_NE(w, nullptr);
        for (const TCaptionKey& c : kMainCaptions)
            EXPECT_EQ(ControlText(w, c.Id), texts.Text("TfrmMain", c.Key)) << c.Key;
        if (language == "German" || language == "Japanese")
            SaveScreenshot(w, "main-window-" + std::string(language == "German" ? "german" : "japanese"));
        VisitEveryWindow(app, w, Trace, [&](HWND window, const std::string& name) {
            const auto found =
                CaptionsThatDoNotFit(window, language + " " + name, window == w ? ids::lblIPCountry : 0);
            notFitting.insert(notFitting.end(), found.begin(), found.end());
            if (name == "settings, General") {
                EXPECT_EQ(WindowText(window), texts.Text("TfrmSettings", "frmSettings.Caption"));
                for (const TCaptionKey& c : kSettingsCaptions)
                    EXPECT_EQ(ControlText(window, c.Id), texts.Text("TfrmSettings", c.Key)) << c.Key;
            } else if (name == "country chooser") {
                EXPECT_EQ(WindowText(window), texts.Text("TfrmChooseIPCountry", "frmChooseIPCountry.Caption"));
                EXPECT_EQ(ControlText(window, TfrmChooseIPCountry::idCountryLabel),
                          texts.Text("TfrmChooseIPCountry", "lblCountry.Caption"));
            } else if (name == "about window" && language != "English") {
                EXPECT_NE(DialogText(window).find("Maskaddr team"), std::string::npos) << DialogText(window);
            }
        });
    }
    EXPECT_EQ(notFitting, std::vector<std::string>{});
}

// At 100, 125, 150 and 200 % display scale (Wine's LogPixels, read by each program at its
// start; the suite's screen is large enough for the main window at 200 %) every window of the program is laid out for its scale: each control inside its
// window, none on another, each caption with the room its font needs at that scale.
TEST_F(LanguageWinTest, EveryWindowFitsAtEveryDisplayScale) {
    const wchar_t* desktop = L"Control Panel\\Desktop";
    std::vector<std::string> notFitting;
    for (const DWORD dpi : {96u, 120u, 144u, 192u}) {
        const std::string scale = std::to_string(dpi * 100 / 96) + " %";
        SCOPED_TRACE(scale);
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &dpi, sizeof dpi),
                  ERROR_SUCCESS);
        Start("English");
        TBuiltApp app("-d");
        HWND w = app.Ready();
        ASSERT_NE(w, nullptr);
        RECT client{};
        GetClientRect(w, &client);
        EXPECT_EQ(client.right, MulDiv(534, static_cast<int>(dpi), 96)) << "the window grows with the scale";
        ASSERT_TRUE(WaitForText(Trace, kLookupAnswered));
        SaveScreenshot(w, "main-window-" + std::to_string(dpi * 100 / 96));
        VisitEveryWindow(app, w, Trace, [&](HWND window, const std::string& name) {
            const auto found =
                CaptionsThatDoNotFit(window, scale + " " + name, window == w ? ids::lblIPCountry : 0, dpi);
            notFitting.insert(notFitting.end(), found.begin(), found.end());
        });
    }
    const DWORD standard = 96;
    RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &standard, sizeof standard);
    EXPECT_EQ(notFitting, std::vector<std::string>{});
}

// The language menu's choice reaches the settings dialog that is open at that moment as
// well as the main window, and the next start speaks it.
TEST_F(LanguageWinTest, MenuChoiceTranslatesTheOpenWindowsAndIsRemembered) {
    Start("English", "TARGET_COUNTRY=QQ\r\n");
    TShippedLanguage german("German");
    const int germanItem = ids::Language1First + 2;
    ASSERT_EQ(kLanguages[2], "German");
    TBuiltApp app("");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    TSettingsDriver settings(app, w);
    ASSERT_NE(settings.Dialog, nullptr);
    ASSERT_EQ(ControlText(settings.Dialog, settingsIds::cbAutoRun),
              TShippedLanguage("English").Text("TfrmSettings", "cbAutoRun.Caption"));
    // The pool is loaded a second after start: its target country is shown then.
    ASSERT_TRUE(PumpUntil([&] { return ControlText(w, ids::lblIPCountry) == "Testland"; }, 10000))
        << ControlText(w, ids::lblIPCountry);
    PostMessageW(w, WM_COMMAND, germanItem, 0);
    const std::string expected = german.Text("TfrmSettings", "cbAutoRun.Caption");
    EXPECT_TRUE(
        PumpUntil([&] { return ControlText(settings.Dialog, settingsIds::cbAutoRun) == expected; }, 10000))
        << ControlText(settings.Dialog, settingsIds::cbAutoRun);
    EXPECT_EQ(ControlText(w, ids::btnSettings), german.Text("TfrmMain", "actSettings.Caption"));
    EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", "Language"), "German");
    // The target country stays shown over the label's translated design text, and the
    // interval's edit stays above the check box whose blanks it covers.
    EXPECT_EQ(ControlText(w, ids::lblIPCountry), "Testland");
    RECT edit{};
    GetWindowRect(GetDlgItem(w, ids::edtChangeIPTime), &edit);
    EXPECT_EQ(
        ChildWindowFromPointEx(w, ClientPoint(w, (edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2),
                               CWP_SKIPINVISIBLE),
        GetDlgItem(w, ids::edtChangeIPTime));
    EXPECT_TRUE(settings.Close(IDCANCEL));
}

// A first start (no "Language" stored) in a German interface speaks German and stores it.
// Wine takes the interface language from the locale, which with-locale makes German for
// this run; the other tests name their language.
TEST_F(LanguageWinTest, FirstStartFollowsTheInterfaceLanguage) {
    ASSERT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), LANG_GERMAN) << "run by with-locale";
    TBuiltApp app("");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(ControlText(w, ids::btnSettings),
              TShippedLanguage("German").Text("TfrmMain", "actSettings.Caption"));
    EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", "Language"), "German");
}

// The submenu ticks one item, answers its own commands only, and leaves the menu it was
// appended to (when taken out, and when it goes) without either destroying the other.
TEST(ChoiceMenuWinTest, TicksAnswersItsCommandsAndLeavesItsParentMenu) {
    TChoiceMenuWin menu(500);
    menu.Caption = "&Language";
    std::vector<std::string> chosen;
    menu.SetSubItems({"English", "German"}, {true, false},
                     [&](const std::string& name) { chosen.push_back(name); });
    menu.SetChecked(0, false);
    menu.SetChecked(1, true);
    TMenuHandle parent(CreatePopupMenu());
    menu.AppendTo(parent.Get());
    ASSERT_EQ(GetMenuItemCount(parent.Get()), 1);
    HMENU sub = GetSubMenu(parent.Get(), 0);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(GetMenuState(sub, 500, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(sub, 501, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_TRUE(menu.OnCommand(501));
    EXPECT_FALSE(menu.OnCommand(502));
    EXPECT_FALSE(menu.OnCommand(499));
    EXPECT_EQ(chosen, std::vector<std::string>{"German"});
    menu.Detach();
    EXPECT_EQ(GetMenuItemCount(parent.Get()), 0);
    TMenuHandle other(CreatePopupMenu());
    menu.AppendTo(other.Get());
    other.Attach(nullptr);
    EXPECT_FALSE(IsMenu(sub)) << "a menu destroys what it holds: the window detaches first";
    {
        TChoiceMenuWin second(600);
        second.SetSubItems({"English", "German"}, {true, false}, nullptr);
        second.AppendTo(parent.Get());
        ASSERT_EQ(GetMenuItemCount(parent.Get()), 1);
    }
    EXPECT_EQ(GetMenuItemCount(parent.Get()), 0) << "the submenu left its parent when it went";
}
