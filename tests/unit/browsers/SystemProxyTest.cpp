// The system proxy switcher's journal of the user's own settings, against fake settings,
// registry and files: what a stop, an exit and a start-up leave behind, and the journal's
// text.
#include "browsers/SystemProxy.h"
#include "app/AppSettings.h"
#include "browsers/ProxyJournal.h"
#include "fakes/FakePlatform.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::string kJournal = "C:\\Users\\me\\AppData\\Roaming\\C__Tools_App_app.exe\\proxyjournal.dat";
const std::string kUserFile = "C:\\ProgramData\\C__Tools_App_app.exe\\setting.dat";
const std::string kPool =
    "[setting]\nNORMAL_IPS=10.0.0.1:8080|Germany|DE|13|52;\nSUPER_IPS=10.0.0.9:80|France|FR|2|48;\n";

// A company network's settings: a proxy with a bypass list beside a configuration script.
const TUserProxySettings kOwn{{2 | 4 | 8, "127.0.0.9:3128", "<local>;*.corp", "http://wpad.corp/p.pac", 1},
                              1u,
                              "127.0.0.9:3128",
                              "<local>;*.corp",
                              "http://wpad.corp/p.pac"};
// A fresh system: direct, and no stored values at all.
const TUserProxySettings kFresh{};
// What a hide of ours left behind when its journal was lost.
const TUserProxySettings kOurs{{2, "10.0.0.9:80", "", "", 0},
                               1u,
                               "http=10.0.0.9:80;ftp=10.0.0.9:80;https=10.0.0.9:80;",
                               std::nullopt,
                               std::nullopt};
// The direct connection that a stop without a journal sets.
const TUserProxySettings kDirect{{1, "", "", "", 0}, 0u, "http=;ftp=;https=;", std::nullopt, std::nullopt};

class SystemProxyTest : public ::testing::Test {
protected:
    TFakePlatform P;
    // The switchers' reach: this test's platform and the store as it is now.
    TBrowserContext C() { return {P.Facilities, Settings()}; }
    void SetUp() override {
        P.Files.Put("C:\\Tools\\App\\app.exe", "exe");
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nSWITCH.IE=1\n");
        P.Files.Put(kUserFile, kPool);
    }
    void Set(const TUserProxySettings& s) {
        P.InetSettings.Options = s.Options;
        P.Registry.Values.clear();
        if (s.ProxyEnable) P.Registry.WriteDword(TRegRoot::CurrentUser, kKey, "ProxyEnable", *s.ProxyEnable);
        for (auto [name, value] : {std::pair{"ProxyServer", s.ProxyServer},
                                   {"ProxyOverride", s.ProxyOverride},
                                   {"AutoConfigURL", s.AutoConfigURL}})
            if (value) P.Registry.WriteString(TRegRoot::CurrentUser, kKey, name, *value);
    }
    TUserProxySettings Now() {
        IRegistry& r = P.Registry;
        return {P.InetSettings.Options, r.ReadDword(TRegRoot::CurrentUser, kKey, "ProxyEnable"),
                r.ReadString(TRegRoot::CurrentUser, kKey, "ProxyServer"),
                r.ReadString(TRegRoot::CurrentUser, kKey, "ProxyOverride"),
                r.ReadString(TRegRoot::CurrentUser, kKey, "AutoConfigURL")};
    }
};

std::string Show(const TUserProxySettings& s) {
    return FormatProxyJournal(s);
}

} // namespace

// Each row: the settings before, what the program does ("crash" is nothing at all: the next
// step runs in a new process), and what is left.
TEST_F(SystemProxyTest, TheUserOwnSettingsComeBackAndOursNeverStay) {
    struct TCase {
        const char* Name;
        TUserProxySettings Before;
        std::string Journal; // left by an earlier run; empty: none
        std::vector<std::string> Steps;
        TUserProxySettings After;
    };
    const std::vector<TCase> cases{
        {"stop after two hides", kOwn, "", {"hide 10.0.0.1:8080", "hide 10.0.0.9:80", "stop"}, kOwn},
        {"start-up after a crash while hiding", kOwn, "", {"hide 10.0.0.1:8080", "crash", "start"}, kOwn},
        {"stop on a fresh system deletes the values written",
         kFresh,
         "",
         {"hide 10.0.0.1:8080", "stop"},
         kFresh},
        {"switched off, the hide clears and the stop restores",
         kOwn,
         "",
         {"switch off", "hide 10.0.0.1:8080", "stop"},
         kOwn},
        {"start-up leaves the user's own alone", kOwn, "", {"start"}, kOwn},
        {"start-up with our pool's address and no journal", kOurs, "", {"start"}, kDirect},
        {"stop without a journal", kFresh, "", {"stop"}, kDirect},
        {"an unreadable journal gives a direct connection",
         kOurs,
         "[ProxyJournal]\r\nFlags=x\r\n",
         {"stop"},
         kDirect},
        {"a journal that cannot be written",
         kFresh,
         "",
         {"no journal", "hide 10.0.0.1:8080", "stop"},
         kDirect},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        FreeSettings();
        P.Files.RemoveFile(kJournal);
        P.Files.WriteError.clear();
        if (!c.Journal.empty()) P.Files.Put(kJournal, c.Journal);
        Set(c.Before);
        for (const std::string& step : c.Steps) {
            if (step.rfind("hide ", 0) == 0) SetSystemProxy(C(), step.substr(5));
            if (step == "stop") SetSystemProxy(C(), "");
            if (step == "start") RestoreSystemProxy(C());
            if (step == "crash") FreeSettings();
            if (step == "switch off") Settings().SetSettingBool("SWITCH.IE", false);
            if (step == "no journal") P.Files.WriteError = "Access is denied.";
        }
        EXPECT_EQ(Show(Now()), Show(c.After));
        EXPECT_FALSE(P.Files.FileExists(kJournal)) << "removed once used";
    }
}

// Start-up asks the live options only when the stored value names none of the pool's
// addresses (reading them can be slow), and still finds an address only they name.
TEST_F(SystemProxyTest, StartUpReadsTheLiveOptionsOnlyWhenTheStoredValueCannotAnswer) {
    TUserProxySettings liveOnly = kOwn;
    liveOnly.Options.ProxyServer = "http=10.0.0.1:8080";
    struct TCase {
        const char* Name;
        bool EmptyPool;
        TUserProxySettings Before;
        bool Named;
        int Queries;
    } const cases[]{
        {"an empty pool names nothing", true, kOurs, false, 0},
        {"the stored value names our proxy", false, kOurs, true, 0},
        {"only the live options name it", false, liveOnly, true, 1},
        {"the user's own proxy", false, kOwn, false, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        FreeSettings();
        P.Files.Put(kUserFile, kPool);
        if (c.EmptyPool) P.Files.Put(kUserFile, "[setting]\n");
        Set(c.Before);
        P.InetSettings.Queries = 0;
        EXPECT_EQ(SettingsNamePoolAddress(C()), c.Named);
        EXPECT_EQ(P.InetSettings.Queries, c.Queries);
    }
}

TEST_F(SystemProxyTest, AHideRecordsBeforeItChangesAndAnUnreadableJournalIsTraced) {
    Set(kOwn);
    SetSystemProxy(C(), "10.0.0.1:8080");
    EXPECT_EQ(ParseProxyJournal(P.Files.Get(kJournal)), kOwn);
    EXPECT_EQ(P.InetSettings.Options.ProxyServer, "10.0.0.1:8080");

    P.Files.Put(kJournal, "garbage");
    P.Trace.Lines.clear();
    SetSystemProxy(C(), "");
    ASSERT_FALSE(P.Trace.Lines.empty());
    EXPECT_EQ(P.Trace.Lines.front(),
              "[CLProxy] The journal of the user's proxy settings cannot be read: " + kJournal);
}

// Another account can create files in the shared folder: a journal planted there is never
// applied, neither by a stop nor by the start's look for a hide left behind.
TEST_F(SystemProxyTest, AJournalInTheSharedFolderIsNeverApplied) {
    TUserProxySettings planted = kOwn;
    planted.Options.AutoConfigUrl = planted.AutoConfigURL.emplace("http://127.0.0.66/evil.pac");
    P.Files.Put("C:\\ProgramData\\C__Tools_App_app.exe\\proxyjournal.dat", FormatProxyJournal(planted));
    Set(kFresh);
    RestoreSystemProxy(C());
    EXPECT_EQ(Now().Options, kFresh.Options) << "the start leaves the account's own settings";
    SetSystemProxy(C(), "10.0.0.1:8080");
    SetSystemProxy(C(), "");
    EXPECT_EQ(Now().Options.AutoConfigUrl, "");
    EXPECT_EQ(Now().AutoConfigURL, std::nullopt);
}

TEST_F(SystemProxyTest, JournalTextKeepsEveryCharacterAndRefusesAnythingElse) {
    const TUserProxySettings odd{{0xFFFFFFFFu, "a\\b=c", "x\r\ny;<local>", " lead and trail ", 0},
                                 std::nullopt,
                                 "",
                                 std::nullopt,
                                 "\\n"};
    for (const TUserProxySettings& s : {kOwn, kFresh, odd})
        EXPECT_EQ(ParseProxyJournal(FormatProxyJournal(s)), s) << Show(s);

    const std::string whole = FormatProxyJournal(kOwn);
    for (const std::string& bad :
         {std::string(), std::string("Flags=0x1\r\n"), whole + "Flags=0x1\r\n", whole + "Other=1\r\n",
          whole + "no equals sign\r\n", ReplaceAll(whole, "ProxyBypass=", "ProxyBypass=\\x"),
          ReplaceAll(whole, "AutoDiscoveryFlags=0x00000001\r\n", ""),
          ReplaceAll(whole, "Flags=0x0000000E", "Flags=lots")})
        EXPECT_EQ(ParseProxyJournal(bad), std::nullopt) << bad;
}
