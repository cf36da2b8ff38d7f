// Firefox, Opera and the URL cache against fake processes, registry, files and cache: the
// command lines byte for byte, when Firefox is started, the search for Firefox, Opera's line
// editor, journal and preference file, the walk.
#include "app/AppSettings.h"
#include "base/Text.h"
#include "browsers/Firefox.h"
#include "browsers/Opera.h"
#include "browsers/UrlCacheClearing.h"
#include "fakes/FakePlatform.h"
#include "framework/settings/IniText.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

const std::string kSet = "-silent -nosplash -chrome \"chrome://maskaddr/content/maskaddr.xul?ssl=&proxy=";
const std::string kClear = "-silent -nosplash -chrome \"chrome://maskaddr/content/maskaddr.xul?clear\"";
const char* kMozilla = "SOFTWARE\\Mozilla\\Mozilla Firefox";

class BrowsersTest : public ::testing::Test {
protected:
    TFakePlatform P;
    // The switchers' reach: this test's platform and the store as it is now.
    TBrowserContext C() { return {P.Facilities, Settings()}; }
    void SetUp() override { User(""); }
    void User(const std::string& lines) {
        FreeSettings();
        P.Files.Put("C:\\Tools\\App\\app.exe", "exe");
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nSWITCH.FF=1\nSWITCH.OPERA=1\n");
        P.Files.Put("C:\\ProgramData\\C__Tools_App_app.exe\\setting.dat", "[setting]\n" + lines);
    }
    void Firefox(const std::string& path) {
        P.Files.Put(path, "exe");
        P.Registry.WriteString(TRegRoot::LocalMachine, kMozilla, "CurrentVersion", "9.0 (en-US)");
        P.Registry.WriteString(TRegRoot::LocalMachine, std::string(kMozilla) + "\\9.0 (en-US)\\Main",
                               "PathToExe", path);
    }
    std::vector<std::string> Traced(const std::string& tag) {
        std::vector<std::string> lines;
        for (const std::string& l : P.Trace.Lines)
            if (l.rfind("[" + tag + "] ", 0) == 0) lines.push_back(l.substr(tag.size() + 3));
        return lines;
    }
};

} // namespace

TEST_F(BrowsersTest, FirefoxCommandLinesByteForByte) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"10.0.0.1:8080", kSet + "10.0.0.1&port=8080\""},
        {"", kClear},
        {"noport", kSet + "&port=noport\""},                // no ":": the whole text is the port
        {"10.0.0.1:80:81", kSet + "10.0.0.1&port=80:81\""}, // split at the first ":"
        // From a list that came over the network: nothing may become an argument of its own.
        {"10.0.0.1:80\" -profile C:\\x", kClear},
        {"10.0.0.1 -new-instance:80", kClear},
        {"10.0.0.1:8\t0", kClear},
        {"10.0.0.1:80\r\n", kClear},
    };
    for (const auto& [proxy, line] : cases)
        EXPECT_EQ(FirefoxProxyCommandLine(proxy), line) << proxy;
    EXPECT_EQ(Traced("CLFirefox").size(), 4u) << "each refusal is traced";
}

TEST_F(BrowsersTest, FirefoxStartsFromItsFolderAndOnlyWhenFound) {
    SetFirefoxProxy(C(), "10.0.0.1:8080");
    EXPECT_TRUE(P.Processes.Started.empty()) << "no Firefox: nothing is started";
    Firefox("C:\\Firefox\\firefox.exe");
    SetFirefoxProxy(C(), "10.0.0.1:8080");
    ClearFirefoxCookies(C());
    const std::string exe = "C:\\Firefox> \"C:\\Firefox\\firefox.exe\" ";
    EXPECT_EQ(P.Processes.Started,
              (std::vector<std::string>{
                  exe + kSet + "10.0.0.1&port=8080\"",
                  exe + "-silent -nosplash -chrome \"chrome://maskaddr/content/maskaddr.xul?cc\""}));
    EXPECT_EQ(Traced("CLFirefox").front(), "cmd");

    P.Files.RemoveFile("C:\\Firefox\\firefox.exe");
    FreeSettings(); // forget the remembered path
    P.Registry.Values.clear();
    P.Trace.Lines.clear();
    ClearFirefoxCookies(C());
    EXPECT_TRUE(Traced("CLFirefox").empty()) << "without Firefox not even a trace line";
}

// Each row: the user file, the calls ("off": the switch turned off; "fail": Firefox cannot be
// started from then on), the queries of the lines Firefox was started with, and "FF.ProxySet"
// as the next process reads it.
TEST_F(BrowsersTest, SwitchedOffFirefoxIsStartedOnlyToClearAProxyOfOurs) {
    const std::string set = "?ssl=&proxy=10.0.0.1&port=8080";
    struct TCase {
        std::string User, Steps;
        std::vector<std::string> Queries;
        std::string ProxySet;
    } const cases[]{
        {"SWITCH.FF=0\n", "stop hide cookies stop", {}, ""},
        {"SWITCH.FF=0\nFF.ProxySet=1\n", "hide cookies stop", {"?clear"}, "0"}, // once, after a crash
        {"SWITCH.FF=1\n", "hide", {set}, "1"},
        {"SWITCH.FF=1\n", "hide off hide stop", {set, "?clear"}, "0"},
        {"SWITCH.FF=1\n", "fail hide", {}, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.User + c.Steps);
        User(c.User);
        Firefox("C:\\Firefox\\firefox.exe");
        P.Processes.Started.clear();
        P.Processes.Starts = true;
        for (const std::string& step : SplitText(c.Steps, ' ')) {
            if (step == "hide" || step == "stop") SetFirefoxProxy(C(), step == "hide" ? "10.0.0.1:8080" : "");
            if (step == "cookies") ClearFirefoxCookies(C());
            if (step == "off") Settings().SetSettingBool("SWITCH.FF", false);
            if (step == "fail") P.Processes.Starts = false;
        }
        std::vector<std::string> queries;
        for (const std::string& line : P.Processes.Started)
            queries.push_back(line.substr(line.find(".xul") + 4, line.size() - line.find(".xul") - 5));
        EXPECT_EQ(queries, c.Queries);
        FreeSettings();
        EXPECT_EQ(Settings().GetSettingString("FF.ProxySet"), c.ProxySet);
    }
}

TEST_F(BrowsersTest, FirefoxIsSearchedRememberedFirstThenTheRegistry) {
    EXPECT_EQ(FindFirefoxPath(C()), "");
    EXPECT_FALSE(IsFirefoxInstalled(C()));

    Firefox("C:\\Mozilla\\firefox.exe");
    EXPECT_EQ(FindFirefoxPath(C()), "C:\\Mozilla\\firefox.exe");
    EXPECT_EQ(Settings().GetSettingString("FireFoxPath"), "C:\\Mozilla\\firefox.exe") << "remembered";

    // The Brisklane key wins over the Mozilla key, but a remembered existing file comes first.
    P.Registry.WriteString(TRegRoot::CurrentUser, "Software\\Brisklane", "", "D:\\Brisklane");
    EXPECT_EQ(FindFirefoxPath(C()), "C:\\Mozilla\\firefox.exe");
    P.Files.RemoveFile("C:\\Mozilla\\firefox.exe");
    EXPECT_EQ(FindFirefoxPath(C()), "D:\\Brisklane\\Brisklane.exe");
    EXPECT_EQ(Settings().GetSettingString("FireFoxPath"), "C:\\Mozilla\\firefox.exe")
        << "a path to a missing file is never remembered";

    // A remembered path whose file is gone, on a system without the keys: returned as it is.
    P.Registry.Values.clear();
    EXPECT_EQ(FindFirefoxPath(C()), "C:\\Mozilla\\firefox.exe");
    EXPECT_TRUE(IsFirefoxInstalled(C()));
    SetFirefoxProxy(C(), "10.0.0.1:80");
    EXPECT_EQ(P.Processes.Started.size(), 1u) << "the start is tried and fails outside";
}

TEST_F(BrowsersTest, TheExtensionIsInstalledOnlyFromAPackageBesideTheProgram) {
    EXPECT_FALSE(InstallFirefoxExtension(C())) << "no Firefox";
    Firefox("C:\\Firefox\\firefox.exe");
    EXPECT_FALSE(InstallFirefoxExtension(C())) << "no package";
    EXPECT_TRUE(P.Processes.Started.empty());
    P.Files.Put("C:\\Tools\\App\\ffextension.xpi", "zip");
    EXPECT_TRUE(InstallFirefoxExtension(C()));
    EXPECT_EQ(P.Processes.Started,
              std::vector<std::string>{
                  "C:\\Firefox> \"C:\\Firefox\\firefox.exe\" \"C:\\Tools\\App\\ffextension.xpi\""});
    P.Processes.Starts = false;
    EXPECT_FALSE(InstallFirefoxExtension(C())) << "a start the system refuses is a failure";
    P.Processes.Starts = true;
    EXPECT_TRUE(LaunchProgram(C(), "tool.exe", "-x", true, 500));
    EXPECT_EQ(P.Processes.Started.back(), "C:\\Tools\\App> \"C:\\Tools\\App\\tool.exe\" -x")
        << "relative: beside the program";
    EXPECT_FALSE(IsFirefoxRunning(C()));
    P.Processes.WindowClasses.insert("MozillaUIWindowClass");
    EXPECT_TRUE(IsFirefoxRunning(C()));
}

namespace {

const std::string kAppData = "C:\\users\\me\\AppData\\Roaming";
const std::string kOperaSix = kAppData + "\\Opera\\Opera\\profile\\opera6.ini";
const std::string kOperaPrefs = kAppData + "\\Opera\\Opera\\operaprefs.ini";
const std::string kOperaJournal = "C:\\Users\\me\\AppData\\Roaming\\C__Tools_App_app.exe\\operajournal.dat";

// A preference file as Opera writes it, with the user's own proxy.
const std::string kUserPrefs =
    "Opera Preferences version 2.1\r\n; Do not edit this file while Opera is running\r\n\r\n"
    "[User Prefs]\r\nHome URL=about:blank\r\n\r\n[Proxy]\r\nUse HTTP=1\r\n"
    "HTTP server=127.0.0.9:3128\r\nNo Proxy Servers=*.corp\r\n\r\n[Network]\r\nx=1\r\n";
// The same after a clear without a journal: the seven keys' clear values, nothing else changed.
const std::string kClearedPrefs =
    "Opera Preferences version 2.1\r\n; Do not edit this file while Opera is running\r\n\r\n"
    "[User Prefs]\r\nHome URL=about:blank\r\n\r\n[Proxy]\r\nUse HTTP=0\r\nHTTP server=\r\n"
    "No Proxy Servers=\r\nUse HTTPS=0\r\nUse FTP=0\r\nHTTPS server=\r\nFTP server=\r\n"
    "\r\n[Network]\r\nx=1\r\n";

class OperaTest : public BrowsersTest {
protected:
    void SetUp() override {
        BrowsersTest::SetUp();
        P.Registry.WriteString(TRegRoot::CurrentUser,
                               "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                               "AppData", kAppData);
    }
};

} // namespace

// Each row: a file before and after its key "A" of section "Proxy" is set to "A=9".
TEST(OperaLineEditorTest, OnlyTheKeysLinesChangeAndEveryOtherByteStays) {
    const std::pair<std::string, std::string> rows[]{
        {" [ proxy ] \r\n  a  = 0\r\n", " [ proxy ] \r\nA=9\r\n"}, // any case, blanks around
        {"[Proxy]\r\nAB=0\r\n", "[Proxy]\r\nAB=0\r\nA=9\r\n"},
        // Added after the last line that is not blank, with the header's line ending.
        {"[Proxy]\nx=1\n\n[Next]\r\n", "[Proxy]\nx=1\nA=9\n\n[Next]\r\n"},
        {"", "[Proxy]\r\nA=9\r\n"},
        {"\xEF\xBB\xBF[Proxy]\nA=1\n", "\xEF\xBB\xBF[Proxy]\nA=9\n"},
        // The first section and its first line of the key; a lone CR ends no line.
        {"; a\rb\r\n[Proxy]\r\nA=1\r\nA=2\r\n[proxy]\r\nA=3",
         "; a\rb\r\n[Proxy]\r\nA=9\r\nA=2\r\n[proxy]\r\nA=3"},
    };
    for (const auto& [before, after] : rows)
        EXPECT_EQ(EditIniLines(before, "Proxy", {{"A", "A=9"}}), after) << before;
    EXPECT_EQ(EditIniLines("[Proxy]\nA=1\n;\n", "Proxy", {{"A", {}}}, true), "[Proxy]\n;\n")
        << "a section with a line left in it stays";
}

TEST_F(OperaTest, TheSevenKeysGoToTheFirstPreferenceFile) {
    SetOperaProxy(C(), "10.0.0.1:8080");
    EXPECT_FALSE(P.Files.FileExists(kOperaSix) || P.Files.FileExists(kOperaPrefs) ||
                 P.Files.FileExists(kOperaJournal))
        << "no preference file: nothing is written";

    P.Files.Put(kOperaSix, "[User Prefs]\r\nHome URL=about:blank\r\n[Proxy]\r\nUse HTTP=0\r\n");
    P.Files.Put(kOperaPrefs, "[Proxy]\r\n");
    SetOperaProxy(C(), "10.0.0.1:8080");
    TIniText ini;
    ini.LoadFromBytes(P.Files.Get(kOperaSix), P.Ansi);
    EXPECT_EQ(ini.SectionLines("Proxy"),
              (std::vector<std::string>{"Use HTTP=1", "Use HTTPS=1", "Use FTP=1", "HTTP server=10.0.0.1:8080",
                                        "HTTPS server=10.0.0.1:8080", "FTP server=10.0.0.1:8080",
                                        "No Proxy Servers="}));
    EXPECT_EQ(P.Files.Get(kOperaPrefs), "[Proxy]\r\n") << "only the first file that exists";

    P.Files.WriteError = "Access is denied.";
    SetOperaProxy(C(), ""); // traced, and the caller goes on
    EXPECT_EQ(Traced("CLOpera").back(), "Writing " + kOperaSix + " failed: Access is denied.");
    EXPECT_TRUE(P.Files.FileExists(kOperaJournal)) << "kept for the next clear";
}

// Each row: the switch, a journal left by an earlier run, the steps ("crash": the next runs in
// a new process; "opera": Opera changes another preference), and the file after them.
// Switched off, nothing is ever written.
TEST_F(OperaTest, HideAndStopGiveTheFileBackAndOurProxyNeverStays) {
    const std::string noSection =
        "\xEF\xBB\xBFOpera Preferences version 2.1\n[User Prefs]\nHome URL=about:blank";
    // The user's own spelling, a CR inside a line and a backslash: every byte comes back.
    const std::string spelled = "[proxy]\n use http = 1\r\r\nhttp server\t=a\\b:3128\n";
    const std::string changed = ReplaceAll(kUserPrefs, "about:blank", "http://x/");
    const std::string head = "[OperaJournal]\r\nSection=1\r\n";
    struct TCase {
        bool On;
        std::string Before, Journal, Steps, After;
    } const cases[]{
        {true, kUserPrefs, "", "hide hide stop", kUserPrefs},
        {true, noSection, "", "hide stop", noSection},
        {true, spelled, "", "hide stop", spelled},
        {true, kUserPrefs, "", "hide crash stop", kUserPrefs},
        {true, kUserPrefs, "", "hide opera stop", changed},
        {false, kUserPrefs, "", "stop hide stop stop", kUserPrefs},
        {true, kUserPrefs, "", "hide off stop hide stop", kUserPrefs}, // the user's lines back once
        {true, kUserPrefs, "", "stop", kUserPrefs}, // no journal: nothing of ours to take out
        {true, kUserPrefs, "", "evil", kUserPrefs}, // a proxy that would add lines: a clear
        // A journal that is not whole, or names lines that are not the key's own: a clear.
        {true, kUserPrefs, "[OperaJournal]\r\nSection=x\r\n", "stop", kClearedPrefs},
        {true, kUserPrefs, head + "Use HTTP=HTTP server=x\r\n", "stop", kClearedPrefs},
        {true, kUserPrefs, head + "Use HTTP=Use HTTP=1\\n[Evil]\r\n", "stop", kClearedPrefs},
        {true, kUserPrefs, head + "Use HTTP=Use HTTP=1\r\nUse HTTP=Use HTTP=0\r\n", "stop", kClearedPrefs},
        {true, kUserPrefs, "[OperaJournal]\r\nSection=0\r\nUse HTTP=Use HTTP=1\r\n", "stop", kClearedPrefs},
        {false, kUserPrefs, "[OperaJournal]\r\n", "stop", kUserPrefs},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Steps + (c.On ? " on" : " off") + (c.Journal.empty() ? "" : " " + c.Journal));
        User(std::string("SWITCH.OPERA=") + (c.On ? "1" : "0") + "\n");
        P.Files.RemoveFile(kOperaJournal);
        if (!c.Journal.empty()) P.Files.Put(kOperaJournal, c.Journal);
        P.Files.Put(kOperaPrefs, c.Before);
        Settings();
        const int writes = P.Files.Writes;
        for (const std::string& step : SplitText(c.Steps, ' ')) {
            if (step == "hide" || step == "stop") SetOperaProxy(C(), step == "hide" ? "10.0.0.1:8080" : "");
            if (step == "evil") SetOperaProxy(C(), "10.0.0.1:80\r\n[Evil]");
            if (step == "crash") FreeSettings();
            if (step == "off") Settings().SetSettingBool("SWITCH.OPERA", false);
            if (step == "opera")
                P.Files.Put(kOperaPrefs, ReplaceAll(P.Files.Get(kOperaPrefs), "about:blank", "http://x/"));
        }
        EXPECT_EQ(P.Files.Get(kOperaPrefs), c.After);
        EXPECT_FALSE(P.Files.FileExists(kOperaJournal)) << "removed once used";
        EXPECT_TRUE(c.On || P.Files.Writes == writes) << "switched off, nothing is written";
    }
}

TEST_F(BrowsersTest, TheUrlCacheWalkDeletesCookiesHistoryAndPagesAndTracesEachStep) {
    ClearUrlCache(P.UrlCache);
    EXPECT_EQ(Traced("CLCache"),
              (std::vector<std::string>{"FindFirstUrlCacheEntry", "GetMem", "FindFirstUrlCacheEntry",
                                        "repeat end", "FreeMem", "FindCloseUrlCache"}))
        << "an empty cache";

    P.UrlCache.Entries = {{kCookieCacheEntry, "Cookie:me@example.test/"},
                          {kUrlHistoryCacheEntry, "Visited: me@http://example.test/"},
                          {kNormalCacheEntry, "http://example.test/page"},
                          {0x00000004 /* sticky */, "http://example.test/keep"}};
    P.Trace.Lines.clear();
    ClearUrlCache(P.UrlCache);
    EXPECT_EQ(P.UrlCache.Deleted,
              (std::vector<std::string>{"Cookie:me@example.test/", "Visited: me@http://example.test/",
                                        "http://example.test/page"}));
    const std::vector<std::string> lines = Traced("CLCache");
    ASSERT_EQ(lines.size(), 3u + 4 * 6 + 3);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 10),
              (std::vector<std::string>{std::string(51, '='), "Delete --- Cookie:me@example.test/", "Repeat",
                                        "FreeMem", "FindNextUrlCacheEntry", "GetMem", std::string(51, '=')}));
    EXPECT_EQ(lines[lines.size() - 8], "Delete --- http://example.test/keep") << "traced, though kept";
}
