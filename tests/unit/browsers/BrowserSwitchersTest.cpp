// Firefox, Opera and the URL cache against fake processes, registry, files and cache:
// the command lines byte for byte, the search for Firefox, the Opera keys, the walk.
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
        P.Registry.WriteString(TRegRoot::LocalMachine, std::string(kMozilla) + "\\9.0 (en-US)\\Main", "PathToExe",
                               path);
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
        {"noport", kSet + "&port=noport\""},              // no ":": the whole text is the port
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

TEST_F(BrowsersTest, FirefoxFollowsTheSwitchAndStartsFromItsFolder) {
    SetFirefoxProxy("10.0.0.1:8080");
    EXPECT_TRUE(P.Processes.Started.empty()) << "no Firefox: nothing is started";
    Firefox("C:\\Firefox\\firefox.exe");
    SetFirefoxProxy("10.0.0.1:8080");
    SetFirefoxProxy("");
    Settings().SetSettingBool("SWITCH.FF", false);
    SetFirefoxProxy("10.0.0.1:8080");
    const std::string exe = "C:\\Firefox> \"C:\\Firefox\\firefox.exe\" ";
    EXPECT_EQ(P.Processes.Started, (std::vector<std::string>{exe + kSet + "10.0.0.1&port=8080\"", exe + kClear,
                                                             exe + kClear}))
        << "switched off, a hide clears";

    P.Trace.Lines.clear();
    ClearFirefoxCookies();
    EXPECT_EQ(P.Processes.Started.back(),
              exe + "-silent -nosplash -chrome \"chrome://maskaddr/content/maskaddr.xul?cc\"")
        << "whatever the switch says";
    EXPECT_EQ(Traced("CLFirefox").front(), "cmd");
    P.Files.RemoveFile("C:\\Firefox\\firefox.exe");
    FreeSettings(); // forget the remembered path
    P.Registry.Values.clear();
    P.Trace.Lines.clear();
    ClearFirefoxCookies();
    EXPECT_TRUE(Traced("CLFirefox").empty()) << "without Firefox not even a trace line";
}

TEST_F(BrowsersTest, FirefoxIsSearchedRememberedFirstThenTheRegistry) {
    EXPECT_EQ(FindFirefoxPath(), "");
    EXPECT_FALSE(IsFirefoxInstalled());

    Firefox("C:\\Mozilla\\firefox.exe");
    EXPECT_EQ(FindFirefoxPath(), "C:\\Mozilla\\firefox.exe");
    EXPECT_EQ(Settings().GetSettingString("FireFoxPath"), "C:\\Mozilla\\firefox.exe") << "remembered";

    // The Brisklane key wins over the Mozilla key, but a remembered existing file comes first.
    P.Registry.WriteString(TRegRoot::CurrentUser, "Software\\Brisklane", "", "D:\\Brisklane");
    EXPECT_EQ(FindFirefoxPath(), "C:\\Mozilla\\firefox.exe");
    P.Files.RemoveFile("C:\\Mozilla\\firefox.exe");
    EXPECT_EQ(FindFirefoxPath(), "D:\\Brisklane\\Brisklane.exe");
    EXPECT_EQ(Settings().GetSettingString("FireFoxPath"), "C:\\Mozilla\\firefox.exe")
        << "a path to a missing file is never remembered";

    // A remembered path whose file is gone, on a system without the keys: returned as it is.
    P.Registry.Values.clear();
    EXPECT_EQ(FindFirefoxPath(), "C:\\Mozilla\\firefox.exe");
    EXPECT_TRUE(IsFirefoxInstalled());
    SetFirefoxProxy("10.0.0.1:80");
    EXPECT_EQ(P.Processes.Started.size(), 1u) << "the start is tried and fails outside";
}

TEST_F(BrowsersTest, TheExtensionIsInstalledOnlyFromAPackageBesideTheProgram) {
    EXPECT_FALSE(InstallFirefoxExtension()) << "no Firefox";
    Firefox("C:\\Firefox\\firefox.exe");
    EXPECT_FALSE(InstallFirefoxExtension()) << "no package";
    EXPECT_TRUE(P.Processes.Started.empty());
    P.Files.Put("C:\\Tools\\App\\ffextension.xpi", "zip");
    EXPECT_TRUE(InstallFirefoxExtension());
    EXPECT_EQ(P.Processes.Started,
              std::vector<std::string>{"C:\\Firefox> \"C:\\Firefox\\firefox.exe\" \"C:\\Tools\\App\\ffextension.xpi\""});
    P.Processes.Starts = false;
    EXPECT_FALSE(InstallFirefoxExtension());
    EXPECT_TRUE(LaunchProgram("", "cmd /c exit", false, 0) == false);
    P.Processes.Starts = true;
    EXPECT_TRUE(LaunchProgram("tool.exe", "-x", true, 500));
    EXPECT_EQ(P.Processes.Started.back(), "C:\\Tools\\App> \"C:\\Tools\\App\\tool.exe\" -x") << "relative: beside the program";
    IsFirefoxRunning();
    EXPECT_FALSE(IsFirefoxRunning());
    P.Processes.WindowClasses.insert("MozillaUIWindowClass");
    EXPECT_TRUE(IsFirefoxRunning());
}

TEST_F(BrowsersTest, OperaWritesTheSevenProxyKeysOfItsFirstPreferenceFile) {
    const std::string appData = "C:\\users\\me\\AppData\\Roaming";
    P.Registry.WriteString(TRegRoot::CurrentUser,
                           "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "AppData",
                           appData);
    const std::string six = appData + "\\Opera\\Opera\\profile\\opera6.ini";
    const std::string prefs = appData + "\\Opera\\Opera\\operaprefs.ini";
    SetOperaProxy("10.0.0.1:8080"); // no preference file: nothing is written
    EXPECT_FALSE(P.Files.FileExists(six) || P.Files.FileExists(prefs));
    auto proxyKeys = [&](const std::string& path) {
        TIniText ini;
        ini.LoadFromBytes(P.Files.Get(path), P.Ansi);
        return ini.SectionLines("Proxy");
    };

    P.Files.Put(six, "[User Prefs]\r\nHome URL=about:blank\r\n[Proxy]\r\nUse HTTP=0\r\n");
    P.Files.Put(prefs, "[Proxy]\r\n");
    SetOperaProxy("10.0.0.1:8080");
    EXPECT_EQ(proxyKeys(six), (std::vector<std::string>{"Use HTTP=1", "Use HTTPS=1", "Use FTP=1",
                                                         "HTTP server=10.0.0.1:8080", "HTTPS server=10.0.0.1:8080",
                                                         "FTP server=10.0.0.1:8080", "No Proxy Servers="}));
    EXPECT_NE(P.Files.Get(six).find("Home URL=about:blank"), std::string::npos) << "the rest is kept";
    EXPECT_EQ(P.Files.Get(prefs), "[Proxy]\r\n") << "only the first file that exists";

    Settings().SetSettingBool("SWITCH.OPERA", false);
    P.Files.RemoveFile(six);
    SetOperaProxy("10.0.0.1:8080");
    EXPECT_EQ(proxyKeys(prefs), (std::vector<std::string>{"Use HTTP=0", "Use HTTPS=0", "Use FTP=0", "HTTP server=",
                                                           "HTTPS server=", "FTP server=", "No Proxy Servers="}))
        << "switched off: cleared";

    P.Files.WriteError = "Access is denied.";
    SetOperaProxy(""); // traced, and the caller goes on
    EXPECT_EQ(Traced("CLOpera"), std::vector<std::string>{"Writing " + prefs + " failed: Access is denied."});
}

TEST_F(BrowsersTest, TheUrlCacheWalkDeletesCookiesHistoryAndPagesAndTracesEachStep) {
    ClearUrlCache();
    EXPECT_EQ(Traced("CLCache"),
              (std::vector<std::string>{"FindFirstUrlCacheEntry", "GetMem", "FindFirstUrlCacheEntry", "repeat end",
                                        "FreeMem", "FindCloseUrlCache"}))
        << "an empty cache";

    P.UrlCache.Entries = {{kCookieCacheEntry, "Cookie:me@example.test/"},
                          {kUrlHistoryCacheEntry, "Visited: me@http://example.test/"},
                          {kNormalCacheEntry, "http://example.test/page"},
                          {0x00000004 /* sticky */, "http://example.test/keep"}};
    P.Trace.Lines.clear();
    ClearUrlCache();
    EXPECT_EQ(P.UrlCache.Deleted, (std::vector<std::string>{"Cookie:me@example.test/",
                                                           "Visited: me@http://example.test/",
                                                           "http://example.test/page"}));
    const std::vector<std::string> lines = Traced("CLCache");
    ASSERT_EQ(lines.size(), 3u + 4 * 6 + 3);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 10),
              (std::vector<std::string>{std::string(51, '='), "Delete --- Cookie:me@example.test/", "Repeat",
                                        "FreeMem", "FindNextUrlCacheEntry", "GetMem", std::string(51, '=')}));
    EXPECT_EQ(lines[lines.size() - 8], "Delete --- http://example.test/keep") << "traced, though kept";
}
