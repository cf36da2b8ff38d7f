// The settings store: layers, typed values, message answers, brackets, placement
// of the user file, run counting and saving.
#include "app/AppSettings.h"
#include "fakes/FakePlatform.h"
#include "framework/settings/CLSettings.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

constexpr char kAppFolder[] = "C:\\Tools\\App\\";
constexpr char kWord[] = "C__Tools_App_app.exe";
const std::string kUserFolder = std::string("C:\\Users\\me\\AppData\\Roaming\\") + kWord + "\\";
const std::string kAllFolder = std::string("C:\\ProgramData\\") + kWord + "\\";

class SettingsTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeEngineLists Engine;

    void SetUp() override {
        const char* shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
        P.Registry.WriteString(TRegRoot::CurrentUser, shell, "AppData", "C:\\Users\\me\\AppData\\Roaming");
        P.Registry.WriteString(TRegRoot::LocalMachine, shell, "Common AppData", "C:\\ProgramData");
    }
    void Const(const std::string& lines) {
        P.Files.Put(std::string(kAppFolder) + "const.dat", "[setting]\n" + lines);
    }
    void Oem(const std::string& lines) {
        P.Files.Put(std::string(kAppFolder) + "oem.const.dat", "[setting]\n" + lines);
    }
    void User(const std::string& text) { P.Files.Put(kAllFolder + "setting.dat", text); }
    std::string UserFile() { return P.Files.Get(kAllFolder + "setting.dat"); }
};

} // namespace

TEST_F(SettingsTest, LayersAnswerInOrderAndAnEmptyValueStillWins) {
    Const("App.Name=FromConst\nOnlyConst=c\nBoth=const\n");
    Oem("App.Name=FromOem\nBoth=oem\n");
    User("[setting]\r\nApp.Name=\r\n");
    TCLSettings s{P.Facilities};
    EXPECT_EQ(s.GetSettingString("APP.NAME"), "") << "empty user value hides distributor and constants";
    EXPECT_EQ(s.GetSettingString("both"), "oem");
    EXPECT_EQ(s.GetSettingString("OnlyConst"), "c");
    EXPECT_TRUE(s.GetSettingExists("App.Name"));
    EXPECT_FALSE(s.GetSettingExists("Path.Skins"));

    s.SetLists(&Engine);
    Engine.Overwrite = {"both=overwritten", "both=second"};
    EXPECT_EQ(s.GetSettingString("Both"), "overwritten") << "first matching line of the list";
    EXPECT_EQ(s.GetSettingString("Path.Skins"), "skins") << "default list answers last";
    s.SetSettingstring("Both", "user");
    EXPECT_EQ(s.GetSettingString("Both"), "overwritten") << "a write never changes the overwrite layer";
    s.SetLists(nullptr);
    EXPECT_EQ(s.GetSettingString("Both"), "user");
    EXPECT_EQ(s.GetSettingString("Path.Skins"), "");
}

TEST_F(SettingsTest, MissingSettingReadsEmptyAndLeavesATraceLine) {
    TCLSettings s{P.Facilities};
    P.Trace.Lines.clear();
    EXPECT_EQ(s.GetSettingString("Nope"), "");
    EXPECT_EQ(s.GetSettingInteger("Nope"), 0);
    ASSERT_FALSE(P.Trace.Lines.empty());
    EXPECT_EQ(P.Trace.Lines.front(), "[CLSettings] Setting Not Found :Nope");
    P.Trace.Lines.clear();
    EXPECT_FALSE(s.GetSettingExists("Nope"));
    EXPECT_TRUE(P.Trace.Lines.empty()) << "the existence test does not trace";
}

TEST_F(SettingsTest, WritesReplaceTheLastEntryWithTheNameAsWrittenAndDropComments) {
    User("[setting]\r\n; note\r\nChangeIP=1\r\nChangeIP=0\r\nApp.Name=x\r\n");
    TCLSettings s{P.Facilities};
    EXPECT_EQ(s.GetSettingInteger("ChangeIP"), 0);
    s.SetSettingstring("APP.Name", "y");
    s.SetSettingInteger("changeip", 7);
    EXPECT_EQ(UserFile(), "[setting]\r\nChangeIP=1\r\nchangeip=7\r\nAPP.Name=y\r\nRunTimes=1\r\n\r\n");
    EXPECT_EQ(s.GetSettingString("URL.FlagPath"), "");
    s.SetSettingstring("URL.FlagPath", "http://127.0.0.1/f/");
    EXPECT_NE(UserFile().find("[setting]\r\n"), std::string::npos);
    EXPECT_EQ(UserFile().find("[URL]"), std::string::npos) << "a dotted name is one key of [setting]";
}

TEST_F(SettingsTest, TypedValuesConvertAsStored) {
    User("[setting]\r\nT=true\r\nM=-1\r\nH=$10\r\nX=0x1F\r\nBad=12a\r\nR3=1,2,3\r\nRL=a,2,3,4\r\n"
         "F1=45000.25\r\nF2=45000,25\r\n");
    TCLSettings s{P.Facilities};
    EXPECT_FALSE(s.GetSettingBool("T")) << "\"true\" is not a number";
    EXPECT_TRUE(s.GetSettingBool("M"));
    EXPECT_EQ(s.GetSettingInteger("H"), 16);
    EXPECT_EQ(s.GetSettingInteger("X"), 31);
    EXPECT_EQ(s.GetSettingInteger("Bad"), 0);

    TRect rc{9, 9, 9, 9};
    s.GetSettingRect("R3", rc);
    EXPECT_EQ(rc, (TRect{9, 9, 9, 9})) << "three parts leave the rectangle unchanged";
    s.GetSettingRect("RL", rc);
    EXPECT_EQ(rc, (TRect{0, 2, 3, 4}));
    s.SetSettingRect("R", {-1, 2, 300, 4});
    EXPECT_EQ(s.GetSettingString("R"), "-1,2,300,4");

    s.SetSettingBool("B", true);
    EXPECT_EQ(s.GetSettingString("B"), "1");

    EXPECT_DOUBLE_EQ(s.GetSettingFloat("F1"), 45000.25);
    EXPECT_EQ(s.GetSettingFloat("F2"), 0.0) << "a comma is unreadable under a point locale";
    P.Locale.Separator = ',';
    EXPECT_DOUBLE_EQ(s.GetSettingFloat("F2"), 45000.25);
    EXPECT_EQ(s.GetSettingFloat("F1"), 0.0);
    s.SetSettingFloat("Update.LastDate", 46000.123456789012345);
    EXPECT_EQ(s.GetSettingString("Update.LastDate"), "46000,123456789");
    P.Locale.Separator = '.';
    EXPECT_EQ(s.GetSettingFloat("Update.LastDate"), 0.0) << "written with a comma, read under a point";
}

TEST_F(SettingsTest, FloatTextFormatsAndParses) {
    EXPECT_EQ(TCLSettings::FormatFloat(0.1 + 0.2, '.'), "0.3");
    EXPECT_EQ(TCLSettings::FormatFloat(-2.5, ','), "-2,5");
    EXPECT_EQ(TCLSettings::FormatFloat(1234567.0, '.'), "1234567") << "no thousands separator";
    EXPECT_EQ(TCLSettings::ParseFloat(" 1.5E3 ", '.'), 1500.0);
    EXPECT_EQ(TCLSettings::ParseFloat(".5", '.'), 0.5);
    for (const char* bad : {"", ".", "1e", "1.2.3", "nan", "inf", "1e999", "1,000.5", "--1"})
        EXPECT_EQ(TCLSettings::ParseFloat(bad, '.'), std::nullopt) << bad;
}

TEST_F(SettingsTest, MessageAnswersAreRememberedUntilCleared) {
    TCLSettings s{P.Facilities};
    EXPECT_TRUE(s.GetMessageShowAgainFlag(1));
    EXPECT_EQ(s.GetMessageShowAgainResult(1), 1);
    s.SetMessageShowAgainFlag(6, false);
    s.SetMessageShowAgainResult(6, 7);
    EXPECT_FALSE(s.GetMessageShowAgainFlag(6));
    EXPECT_EQ(s.GetMessageShowAgainResult(6), 7);
    EXPECT_NE(UserFile().find("[ShowAgain]\r\n6=0\r\n\r\n[ShowAgainModuleResult]\r\n6=7\r\n"),
              std::string::npos);
    s.ClearShowAgainFlag();
    EXPECT_TRUE(s.GetMessageShowAgainFlag(6));
    EXPECT_EQ(s.GetMessageShowAgainResult(6), 1);
    EXPECT_EQ(UserFile().find("ShowAgain"), std::string::npos);
}

TEST_F(SettingsTest, UnreadableMessageAnswersFallBack) {
    User("[ShowAgain]\r\n1=yes\r\n[ShowAgainModuleResult]\r\n1=abc\r\n");
    TCLSettings s{P.Facilities};
    EXPECT_TRUE(s.GetMessageShowAgainFlag(1));
    EXPECT_EQ(s.GetMessageShowAgainResult(1), 1);
}

TEST_F(SettingsTest, UpdateBracketIsAFlagNotACounter) {
    TCLSettings s{P.Facilities};
    const int before = P.Files.Writes;
    s.BeginUpdate();
    s.SetSettingstring("A", "1");
    s.SetSettingstring("B", "2");
    s.BeginUpdate();
    EXPECT_EQ(P.Files.Writes, before) << "held back inside the bracket";
    s.EndUpdate();
    EXPECT_EQ(P.Files.Writes, before + 1);
    EXPECT_NE(UserFile().find("A=1\r\nB=2\r\n"), std::string::npos);
    s.SetSettingstring("C", "3");
    EXPECT_EQ(P.Files.Writes, before + 2) << "the first EndUpdate ended the bracket";
}

TEST_F(SettingsTest, FirstRunPlacesTheUserFileForAllUsersAndCountsRuns) {
    {
        TCLSettings s{P.Facilities};
        EXPECT_TRUE(s.AllUser());
        EXPECT_EQ(s.UserDataPath(), kAllFolder);
        EXPECT_EQ(s.RunTimes(), 0);
        EXPECT_EQ(s.ConfigPathWord(), kWord);
    }
    EXPECT_EQ(P.Files.Get(kUserFolder + "UserFlag.ini"), "[Flag]\r\nAllUsers=1\r\n\r\n");
    EXPECT_EQ(UserFile(), "[setting]\r\nRunTimes=1\r\n\r\n");
    TCLSettings second{P.Facilities};
    EXPECT_EQ(second.RunTimes(), 1);
    EXPECT_EQ(UserFile(), "[setting]\r\nRunTimes=2\r\n\r\n");
}

// Found by the settings fuzz target: the largest count was incremented past the int range.
TEST_F(SettingsTest, RunCountStopsAtTheLargestNumber) {
    User("[setting]\r\nRunTimes=2147483647\r\n");
    TCLSettings s{P.Facilities};
    EXPECT_EQ(s.RunTimes(), 2147483647);
    EXPECT_EQ(UserFile(), "[setting]\r\nRunTimes=2147483647\r\n\r\n");
}

TEST_F(SettingsTest, ReadOnlyAllUsersFolderTurnsTheFlagOffAndStartsFresh) {
    User("[setting]\r\nRunTimes=5\r\nChangeIP=1\r\n");
    P.Files.Put(kUserFolder + "UserFlag.ini", "[Flag]\r\nAllUsers=1\r\n");
    P.Files.ReadOnlyFolders.insert(TFakeFileSystem::Key(kAllFolder));
    TCLSettings s{P.Facilities};
    EXPECT_FALSE(s.AllUser());
    EXPECT_EQ(s.UserDataPath(), kUserFolder);
    EXPECT_EQ(P.Files.Get(kUserFolder + "UserFlag.ini"), "[Flag]\r\nAllUsers=0\r\n\r\n");
    EXPECT_EQ(s.RunTimes(), 0) << "settings are not copied between folders";
    EXPECT_FALSE(s.GetSettingBool("ChangeIP"));
}

TEST_F(SettingsTest, NoFlagAndReadOnlyAllUsersFolderChoosesPerUser) {
    P.Files.ReadOnlyFolders.insert(TFakeFileSystem::Key(kAllFolder));
    TCLSettings s{P.Facilities};
    EXPECT_FALSE(s.AllUser());
    EXPECT_EQ(P.Files.Get(kUserFolder + "UserFlag.ini"), "[Flag]\r\nAllUsers=0\r\n\r\n");
    EXPECT_EQ(P.Files.Get(kUserFolder + "setting.dat"), "[setting]\r\nRunTimes=1\r\n\r\n");
}

// The shared folder serves an account only while nothing there can come from another one: a
// folder it makes is read-only for others; a folder or a settings file that another account
// owns (a planted one) is not read at all, and the account's own folder is used.
TEST_F(SettingsTest, TheSharedFolderServesOnlyTheAccountThatOwnsIt) {
    const std::string planted = "[setting]\r\nNORMAL_IPS=6.6.6.6:80|X|XX|0|0;\r\n";
    struct Case {
        const char* what;
        std::string otherOwns; // the path another account owns, or ""
        bool shared;
    };
    const Case cases[] = {
        {"made by this account", "", true},
        {"a folder of another account", kAllFolder.substr(0, kAllFolder.size() - 1), false},
        {"a settings file of another account", kAllFolder + "setting.dat", false},
    };
    for (const Case& c : cases) {
        P.Files.Files.clear();
        P.Files.Folders.clear();
        P.Files.SharedFolders.clear();
        P.Files.OthersOwn.clear();
        if (!c.otherOwns.empty()) {
            P.Files.CreateFolders(kAllFolder);
            User(planted);
            P.Files.OthersOwn.insert(TFakeFileSystem::Key(c.otherOwns));
        }
        P.Trace.Lines.clear();
        TCLSettings s{P.Facilities};
        EXPECT_EQ(s.AllUser(), c.shared) << c.what;
        EXPECT_EQ(s.GetSettingString("NORMAL_IPS"), "") << c.what << ": nothing read from another's file";
        EXPECT_EQ(P.Files.SharedFolders.count(TFakeFileSystem::Key(kAllFolder)), c.otherOwns.empty() ? 1u : 0u)
            << c.what;
        const bool traced = std::any_of(P.Trace.Lines.begin(), P.Trace.Lines.end(), [&](const std::string& l) {
            return l.find(c.otherOwns + " belongs to another account") != std::string::npos;
        });
        EXPECT_EQ(traced, !c.shared) << c.what;
    }
}

// A program path is read from and written to the account's own folder even while the rest of
// the settings live in the shared one, where the first account to make the folder wrote.
TEST_F(SettingsTest, ProgramPathsStayInTheAccountsOwnFolder) {
    User("[setting]\r\nFireFoxPath=C:\\Shared\\evil.exe\r\nChangeIP=1\r\n");
    P.Files.Put(kUserFolder + "setting.dat", "[setting]\r\nKept=1\r\n");
    TCLSettings s{P.Facilities};
    ASSERT_TRUE(s.AllUser());
    EXPECT_EQ(s.GetSettingString("FireFoxPath"), "") << "the shared file's program path is not read";
    EXPECT_TRUE(s.GetSettingBool("ChangeIP")) << "the rest is";
    s.SetSettingstring("firefoxpath ", "C:\\Mozilla\\firefox.exe");
    EXPECT_EQ(s.GetSettingString("FireFoxPath"), "C:\\Mozilla\\firefox.exe");
    EXPECT_EQ(P.Files.Get(kUserFolder + "setting.dat"),
              "[setting]\r\nKept=1\r\nfirefoxpath =C:\\Mozilla\\firefox.exe\r\n\r\n");
    EXPECT_NE(UserFile().find("FireFoxPath=C:\\Shared\\evil.exe"), std::string::npos) << "left alone";
}

TEST_F(SettingsTest, NoAllUserSettingLeavesTheFlagFileAlone) {
    Const("Setting.NoAllUser=1\n");
    TCLSettings s{P.Facilities};
    EXPECT_FALSE(s.AllUser());
    EXPECT_FALSE(P.Files.FileExists(kUserFolder + "UserFlag.ini"));
    EXPECT_EQ(P.Files.Get(kUserFolder + "setting.dat"), "[setting]\r\nRunTimes=1\r\n\r\n");
}

TEST_F(SettingsTest, ConfigPathWordAndShellFolderFallbacks) {
    Oem("App.ConfigPath=Maskaddr\n");
    P.Registry.Values.clear(); // no Shell Folders values: the system's known folders serve
    P.Files.Known["appdata"] = "D:\\Roaming";
    P.Files.Known["common"] = "D:\\Common";
    TCLSettings s{P.Facilities};
    EXPECT_EQ(s.UserDataPathCurrentUser(), "D:\\Roaming\\Maskaddr\\");
    EXPECT_EQ(s.UserDataPathAllUsers(), "D:\\Common\\Maskaddr\\");

    // The per-user value falls back to the machine's value of the same name first.
    P.Registry.WriteString(TRegRoot::LocalMachine,
                           "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "AppData",
                           "E:\\MachineAppData\\");
    TCLSettings t{P.Facilities};
    EXPECT_EQ(t.UserDataPathCurrentUser(), "E:\\MachineAppData\\Maskaddr\\");
}

TEST_F(SettingsTest, NoCacheSeesChangesOfAnotherProcess) {
    TCLSettings s{P.Facilities};
    s.SetSettingstring("Shared", "mine");
    User("[setting]\r\nShared=theirs\r\n");
    EXPECT_EQ(s.GetSettingString("Shared"), "mine");
    s.SetNoCache(true);
    EXPECT_EQ(s.GetSettingString("Shared"), "theirs");
}

// Each failed save is reported to the hook with the file and the system's reason (whoever
// set it decides how often the user hears of it); a good save is not.
TEST_F(SettingsTest, FailedSaveKeepsValuesAndSucceedsLater) {
    TCLSettings s{P.Facilities};
    std::vector<std::string> told;
    s.SetSaveFailedHook(
        [&](const std::string& path, const std::string& reason) { told.push_back(path + "|" + reason); });
    P.Files.WriteError = "Access is denied. (5)";
    P.Trace.Lines.clear();
    s.SetSettingstring("Kept", "yes");
    s.SetSettingstring("Kept", "still");
    EXPECT_EQ(s.GetSettingString("Kept"), "still");
    EXPECT_EQ(s.LastSaveError(), "Access is denied. (5)");
    ASSERT_EQ(P.Trace.Lines.size(), 2u);
    EXPECT_NE(P.Trace.Lines[0].find("Access is denied. (5)"), std::string::npos);
    EXPECT_EQ(told, std::vector<std::string>(2, kAllFolder + "setting.dat|Access is denied. (5)"));
    EXPECT_EQ(UserFile().find("Kept"), std::string::npos);
    P.Files.WriteError.clear();
    s.SetSettingstring("Other", "1");
    EXPECT_NE(UserFile().find("Kept=still\r\nOther=1\r\n"), std::string::npos) << "the retry saves both";
    EXPECT_EQ(s.LastSaveError(), "");
    EXPECT_EQ(told.size(), 2u);
}

// The file is written only when it would change; after a failed save, or once the file was
// read again from the disk, the same value is written all the same.
TEST_F(SettingsTest, AValueSetToWhatTheFileHoldsIsNotWrittenAgain) {
    TCLSettings s{P.Facilities};
    const struct {
        const char* Step;
        const char* Value;
        bool Written;
    } steps[]{
        {"first save", "1", true}, {"same value", "1", false},          {"changed", "2", true},
        {"fails", "3", false},     {"same after a failure", "3", true}, {"reread", "3", true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Step);
        P.Files.WriteError = std::string(step.Step) == "fails" ? "Access is denied. (5)" : "";
        if (std::string(step.Step) == "reread") {
            s.SetNoCache(true);
            s.GetSettingString("Option"); // the document comes from the disk again
        }
        const int writes = P.Files.Writes;
        s.SetSettingstring("Option", step.Value);
        EXPECT_EQ(P.Files.Writes - writes, step.Written ? 1 : 0);
        EXPECT_EQ(UserFile().find(std::string("Option=") + step.Value) != std::string::npos,
                  step.Written || std::string(step.Step) == "same value");
    }
}

TEST_F(SettingsTest, ScrambledStringRoundTripsAndHidesTheText) {
    TCLSettings s{P.Facilities};
    const std::string secret = "p@ss w\xC3\xB6rd \xE4\xB8\xAD\xF0\x9F\x98\x80";
    s.SetSettingsecString("Secret", secret);
    std::string stored = s.GetSettingString("Secret");
    EXPECT_EQ(stored.find("ss"), std::string::npos);
    EXPECT_EQ(stored.size() % 4, 0u);
    EXPECT_EQ(s.GetSettingsecString("Secret"), secret);
    s.SetSettingstring("Broken", "12G4");
    EXPECT_EQ(s.GetSettingsecString("Broken"), "");
    s.SetSettingstring("Short", "123");
    EXPECT_EQ(s.GetSettingsecString("Short"), "");
}

TEST_F(SettingsTest, RunDaysIsTheOldestFolderAge) {
    TCLSettings s{P.Facilities};
    EXPECT_EQ(s.GetRunDays(), 0) << "no readable folder";
    auto ticks = [](double dateTime) { return static_cast<int64_t>((dateTime + 109205.0) * 864000000000.0); };
    P.Clock.Value = 46000.9;
    P.Files.CreationTimes[TFakeFileSystem::Key(kAppFolder)] = ticks(45990.95); // 9.95 days: 9
    P.Files.CreationTimes[TFakeFileSystem::Key(kUserFolder)] = ticks(45970.0); // 30.9 days: 30
    P.Files.CreationTimes[TFakeFileSystem::Key(kAllFolder)] = ticks(46001.0);  // in the future: 0
    EXPECT_EQ(s.GetRunDays(), 30);
}

TEST_F(SettingsTest, SlowLanguageStringComesRawFromTheChosenFile) {
    Const("Language=English\n");
    P.Files.Put(std::string(kAppFolder) + "lang\\Deutsch.lan", "[AppRes]\nHello=Hallo<BR>{AppName}\n");
    TCLSettings s{P.Facilities};
    s.SetLists(&Engine);
    EXPECT_EQ(s.SlowGetLanguageString("AppRes", "Hello", "dflt"), "dflt") << "English.lan is missing";
    s.SetSettingstring("Language.Force", "Deutsch");
    EXPECT_EQ(s.SlowGetLanguageString("AppRes", "Hello", "dflt"), "Hallo<BR>{AppName}");
}

TEST(SettingsSingletonTest, CreatedOnFirstUseAndFreed) {
    TFakePlatform p;
    TCLSettings& first = Settings();
    EXPECT_EQ(&first, &Settings());
    EXPECT_EQ(first.RunTimes(), 0);
    FreeSettings();
    EXPECT_EQ(Settings().RunTimes(), 1) << "a new store is a new start";
}
