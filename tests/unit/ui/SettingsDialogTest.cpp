// The settings dialog's logic: the load and save orders, Cancel, the autorun value,
// the show-again flags and the re-installation of the Firefox extension.
#include "ui/SettingsDialog.h"
#include "app/AppSettings.h"
#include "app/MainController.h"
#include "fakes/FakeControls.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeSettingsView.h"
#include "fakes/RecordingSwitchers.h"
#include "framework/engine/CLEngine.h"
#include "framework/language/CLMultiLang.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUserFile[] = "C:\\ProgramData\\C__Tools_App_app.exe\\setting.dat";
// Where the account keeps program paths.
constexpr char kOwnFile[] = "C:\\Users\\me\\AppData\\Roaming\\C__Tools_App_app.exe\\setting.dat";

class SettingsDialogTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeSettingsView View;
    TRecordingSwitchers Switchers;
    TRecordingSwitchers::TSetup& Firefox = Switchers.Setup;
    TFakeEngineHost Host;
    TFakeForm Main{"frmMain", "TfrmMain"};
    TCLEngine* E = new TCLEngine(&Main, Host, P.Facilities, Settings()); // Main owns it
    std::vector<std::string> Autorun; // what SaveOptions asked of the autorun writer, with the settings then
    TSettingsController C{View,
                          Firefox,
                          [this](bool on, const std::string& name, const std::string& cmd) {
                              Autorun.push_back(std::string(on ? "write " : "delete ") + name + " " + cmd +
                                                " AutoRun=" + Settings().GetSettingString("AutoRun") +
                                                " SWITCH.FF=" + Settings().GetSettingString("SWITCH.FF"));
                              SetRunAtLogon(*P.Facilities.Registry, on, name, cmd);
                          },
                          TBrowserContext{P.Facilities, Settings()},
                          {*E, *E, *E}};
    void User(const std::string& lines) {
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nApp.Name=Maskaddr\n");
        P.Files.Put(kUserFile, "[setting]\n" + lines);
        P.Files.Put(kOwnFile, "");
        Settings().Reopen(); // as the next start reads them
    }
};

} // namespace

TEST_F(SettingsDialogTest, LoadsInItsOrderAndCancelWritesNothing) {
    User("AutoRun=1\nSWITCH.IE=1\nSWITCH.FF=0\nSWITCH.OPERA=1\nUpdate.AutoCheck=0\nTestIPfromLocal=1\n");
    C.FormCreate();
    const std::string before = P.Files.Get(kUserFile); // as the store keeps it once opened
    EXPECT_EQ(View.Page, 0);
    using B = TSettingsBox;
    EXPECT_EQ(View.SetOrder,
              (std::vector<B>{B::AutoRun, B::IE, B::FF, B::Opera, B::AutoUpdate, B::TestIPfromLocal}));
    EXPECT_EQ(View.Boxes, (std::map<B, bool>{{B::AutoRun, true},
                                             {B::IE, true},
                                             {B::FF, false},
                                             {B::Opera, true},
                                             {B::AutoUpdate, false},
                                             {B::TestIPfromLocal, true}}));
    for (auto& [box, checked] : View.Boxes)
        checked = !checked; // every box changed, then Cancel: the window closes without SaveOptions
    EXPECT_EQ(P.Files.Get(kUserFile), before);
    EXPECT_TRUE(Autorun.empty());
}

TEST_F(SettingsDialogTest, OkWritesEveryBoxAndTheAutorunValueFirst) {
    for (bool autoRun : {false, true}) {
        User(std::string("AutoRun=") + (autoRun ? "0" : "1") + "\nSWITCH.IE=1\nSWITCH.FF=1\n");
        P.Registry.WriteString(TRegRoot::CurrentUser, kRun, "Maskaddr", "C:\\Old\\app.exe");
        Autorun.clear();
        C.FormCreate();
        View.Boxes[TSettingsBox::AutoRun] = autoRun;
        View.Boxes[TSettingsBox::FF] = false;
        View.Boxes[TSettingsBox::Opera] = true;
        View.Boxes[TSettingsBox::AutoUpdate] = true;
        View.Boxes[TSettingsBox::TestIPfromLocal] = true;
        C.btnOKClick();
        // The autorun value is written after "AutoRun" and before the browser switches.
        EXPECT_EQ(Autorun, (std::vector<std::string>{std::string(autoRun ? "write" : "delete") +
                                                     " Maskaddr C:\\Tools\\App\\app.exe AutoRun=" +
                                                     (autoRun ? "1" : "0") + " SWITCH.FF=1"}));
        EXPECT_EQ(P.Registry.ReadString(TRegRoot::CurrentUser, kRun, "Maskaddr"),
                  autoRun ? std::optional<std::string>("C:\\Tools\\App\\app.exe") : std::nullopt);
        for (auto [name, value] : {std::pair{"SWITCH.IE", "1"}, // the disabled box writes back what it showed
                                   {"SWITCH.FF", "0"},
                                   {"SWITCH.OPERA", "1"},
                                   {"Update.AutoCheck", "1"},
                                   {"TestIPfromLocal", "1"}})
            EXPECT_EQ(Settings().GetSettingString(name), value) << name;
    }
}

// The drop-down offers the engine's languages with the current one selected; only OK
// selects the chosen one, which the engine then stores.
TEST_F(SettingsDialogTest, LanguageDropDownChoosesOnOkOnly) {
    User("Language=English\n");
    P.Files.Put("C:\\Tools\\App\\lang\\English.lan", "[AppRes]\nAppName=Maskaddr\n");
    P.Files.Put("C:\\Tools\\App\\lang\\German.lan", "[AppRes]\nAppName=Maskaddr DE\n");
    TCLEngine* engine = E;
    engine->SetLanguageData(new TCLMultiLangData(&Main, "CLMultiLangData"));
    engine->Loaded();
    C.FormCreate();
    EXPECT_EQ(View.Languages, (std::vector<std::string>{"English", "German"}));
    EXPECT_EQ(View.Language, 0);
    View.Language = 1; // then Cancel: nothing
    EXPECT_EQ(engine->Language(), "English");
    C.btnOKClick();
    EXPECT_EQ(engine->Language(), "German");
    EXPECT_EQ(Settings().GetSettingString("Language"), "German");
}

TEST_F(SettingsDialogTest, ClearShowAgainFlagBringsBackSilencedMessages) {
    User("[ShowAgain]\n1=0\n6=0\n");
    ASSERT_FALSE(Settings().GetMessageShowAgainFlag(1));
    C.btnClearShowAgainFlagClick();
    EXPECT_TRUE(Settings().GetMessageShowAgainFlag(1));
    EXPECT_TRUE(Settings().GetMessageShowAgainFlag(6));
    EXPECT_EQ(P.Files.Get(kUserFile).find("ShowAgain"), std::string::npos) << "saved at once";
}

TEST_F(SettingsDialogTest, ReinstallFirefoxAsksForTheFolderOnlyWhenTheInstallerFails) {
    struct TCase {
        const char* Name;
        bool Installed, Starts, Running;
        std::optional<std::string> Folder;
        const char* Messages; // keys shown, in order
        const char* Stored;   // "FireFoxPath" afterwards
        size_t Installs;
    };
    const TCase cases[] = {
        {"absent", false, true, true, std::nullopt, "MSGBox.FFUninstalled;", "", 0},
        {"installed, running", true, true, true, std::nullopt, "MSGBox.FFRestart;", "", 1},
        {"installed, not running", true, true, false, std::nullopt, "", "", 1},
        {"browser cancelled", true, false, false, std::nullopt, "MSGBox.FFPath;", "", 1},
        {"folder with firefox.exe", true, false, true, "D:\\Fx", "MSGBox.FFPath;MSGBox.FFRestart;",
         "D:\\Fx\\firefox.exe", 2},
        {"drive root with firefox.exe", true, false, false, "E:\\", "MSGBox.FFPath;", "E:\\firefox.exe", 2},
        {"folder without firefox.exe", true, false, false, "D:\\Empty", "MSGBox.FFPath;", "", 1},
    };
    for (const TCase& c : cases) {
        User("");
        P.Files.Put("D:\\Fx\\firefox.exe", "exe");
        P.Files.Put("E:\\firefox.exe", "exe");
        if (Host.Dialog != nullptr) Host.Dialog->Shown.clear();
        Firefox.Installed = c.Installed;
        Firefox.InstallStarts = c.Starts;
        Firefox.Running = c.Running;
        Switchers.Calls.clear();
        View.Browsed.clear();
        View.Folder = c.Folder;
        C.btnReinstallFFClick();
        std::string shown;
        for (const std::string& s : Host.Dialog ? Host.Dialog->Shown : std::vector<std::string>{})
            shown += s.substr(s.find("[AppRes]") + 8) + ";";
        EXPECT_EQ(shown, c.Messages) << c.Name;
        EXPECT_EQ(Settings().GetSettingString("FireFoxPath"), c.Stored) << c.Name;
        EXPECT_EQ(Switchers.Calls.size(), c.Installs) << c.Name;
        if (!c.Starts) {
            EXPECT_EQ(View.Browsed, (std::vector<std::pair<std::string, std::string>>{
                                        {"Choose Firefox Path", "C:\\Firefox"}}))
                << c.Name;
        }
    }
}
