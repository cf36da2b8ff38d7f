// Which browsers follow the system settings, against a fake registry and fake profile folders:
// every value of network.proxy.type, prefs.js against user.js, profiles.ini's profiles and its
// damage, Firefox's policies and the Chromium family's; and "Make it follow" with the
// uninstaller's take-back, byte for byte.
#include "browsers/BrowserCoverage.h"
#include "app/AppSettings.h"
#include "browsers/FirefoxFollow.h"
#include "fakes/FakePlatform.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

const std::string kFirefoxData = "C:\\Users\\me\\AppData\\Roaming\\Mozilla\\Firefox";
const std::string kIni = kFirefoxData + "\\profiles.ini";
const std::string kProfile = kFirefoxData + "\\Profiles\\abc.default";
const std::string kJournal = "C:\\Users\\me\\AppData\\Roaming\\C__Tools_App_app.exe\\firefoxjournal.dat";
const char* kClients = "Software\\Clients\\StartMenuInternet";
const char* kFirefoxPolicy = "Software\\Policies\\Mozilla\\Firefox\\Proxy";
const char* kChromePolicy = "Software\\Policies\\Google\\Chrome";
const std::string kOneProfile = "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/abc.default\n";
const std::string kPrefLine = "user_pref(\"network.proxy.type\", ";

using M = TProxyMode;
using C = TCoverage;

class BrowserCoverageTest : public ::testing::Test {
protected:
    TFakePlatform P;
    // The switchers' reach: this test's platform and the store as it is now.
    TBrowserContext C() { return {P.Facilities, Settings()}; }
    void SetUp() override {
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\n");
        Client(TRegRoot::LocalMachine, "FIREFOX.EXE", "Firefox", "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\"");
    }
    void Client(TRegRoot root, const std::string& key, const std::string& name, const std::string& command) {
        const std::string at = std::string(kClients) + "\\" + key;
        P.Registry.WriteString(root, at, "", name);
        P.Registry.WriteString(root, at + "\\shell\\open\\command", "", command);
    }
    // The state of the one browser or profile of that name.
    TBrowserState Only(const std::string& browser) {
        std::vector<TBrowserState> found;
        for (const TBrowserState& s : FindBrowsers(C()))
            if (s.Browser == browser) found.push_back(s);
        EXPECT_EQ(found.size(), 1u) << browser;
        return found.empty() ? TBrowserState{} : found[0];
    }
};

std::string Pref(const std::string& value) {
    return kPrefLine + value + ");\n";
}

} // namespace

TEST_F(BrowserCoverageTest, AProfileFollowsOnlyWhileItsProxyTypeIsFiveOrUnset) {
    struct TCase {
        const char* Name;
        std::optional<std::string> Prefs, User; // prefs.js, user.js; nullopt: missing
        TCoverage Coverage;
        TProxyMode Mode;
    };
    const std::string big(kMaxPrefsBytes + 1, ' ');
    const TCase cases[] = {
        {"no files", std::nullopt, std::nullopt, C::Hidden, M::System},
        {"5", Pref("5"), std::nullopt, C::Hidden, M::System},
        {"0", Pref("0"), std::nullopt, C::NotHidden, M::None},
        {"1", Pref("1"), std::nullopt, C::NotHidden, M::Manual},
        {"2", Pref("2"), std::nullopt, C::NotHidden, M::Script},
        {"3, Firefox's old direct", Pref("3"), std::nullopt, C::NotHidden, M::None},
        {"4", Pref("4"), std::nullopt, C::NotHidden, M::AutoDetect},
        {"7, no mode of Firefox", Pref("7"), std::nullopt, C::NotHidden, M::Other},
        {"-1", Pref("-1"), std::nullopt, C::NotHidden, M::Other},
        {"user.js over prefs.js", Pref("1"), Pref("5"), C::Hidden, M::System},
        {"user.js sets its own", Pref("5"), Pref("2"), C::NotHidden, M::Script},
        {"the last line counts", Pref("1") + Pref("5") + Pref("4"), std::nullopt, C::NotHidden, M::AutoDetect},
        {"commented out", "// " + Pref("1") + "# " + Pref("1") + "/* " + Pref("1") + "*/", std::nullopt, C::Hidden,
         M::System},
        {"a string is no number", Pref("\"1\""), std::nullopt, C::Hidden, M::System},
        {"beyond 32 bits", Pref("4294967301"), std::nullopt, C::Hidden, M::System},
        {"a broken line is skipped", "user_pref(\"a\", ;\n" + Pref("1"), std::nullopt, C::NotHidden, M::Manual},
        {"single quotes, blanks", "user_pref ( 'network.proxy.type' , +1 ) ;", std::nullopt, C::NotHidden,
         M::Manual},
        {"a NUL ends the file", std::string("\0", 1) + Pref("1"), std::nullopt, C::Hidden, M::System},
        {"a default of user.js", std::nullopt, "pref(\"network.proxy.type\", 1);", C::NotHidden, M::Manual},
        {"the user's value over a default", Pref("5"), "pref(\"network.proxy.type\", 1);", C::Hidden, M::System},
        {"a locked default over the user's", Pref("1"), "lockPref(\"network.proxy.type\", 5);", C::Hidden,
         M::System},
        {"prefs.js too large to read", big, std::nullopt, C::Unreadable, M::System},
    };
    P.Files.Put(kIni, kOneProfile);
    for (const TCase& c : cases) {
        P.Files.RemoveFile(kProfile + "\\prefs.js");
        P.Files.RemoveFile(kProfile + "\\user.js");
        if (c.Prefs) P.Files.Put(kProfile + "\\prefs.js", *c.Prefs);
        if (c.User) P.Files.Put(kProfile + "\\user.js", *c.User);
        const TBrowserState s = Only("Firefox");
        EXPECT_EQ(s.Coverage, c.Coverage) << c.Name;
        EXPECT_EQ(s.Mode, c.Mode) << c.Name;
        EXPECT_FALSE(s.ByPolicy) << c.Name;
    }
    EXPECT_EQ(Only("Firefox").Unreadable, kProfile + "\\prefs.js");
}

TEST_F(BrowserCoverageTest, ProfilesIniListsEachProfileWhereverItLies) {
    P.Files.Put(kIni, "\xEF\xBB\xBF[General]\nStartWithLastProfile=1\n\n"
                      "[Profile0]\nName=default-release\nIsRelative=1\nPath=Profiles/abc.default\nDefault=1\n\n"
                      "[Profile1]\nName=work\nIsRelative=0\nPath=D:\\Fx\\work\\\n\n"
                      "[Profile2]\nIsRelative=1\nPath=Profiles/no-name\n\n"     // skipped, as Firefox skips it
                      "[Profile3]\nName=elsewhere\nIsRelative=0\nPath=work2\n\n" // no Windows path: skipped
                      "[Profile4]\nName=last\nIsRelative=1\nPath=Profiles/last\n\n"
                      "[Profile6]\nName=after a gap\nIsRelative=1\nPath=Profiles/gap\n");
    P.Files.Put("D:\\Fx\\work\\prefs.js", Pref("1"));
    std::vector<std::string> seen;
    for (const TBrowserState& s : FindBrowsers(C()))
        seen.push_back(s.Profile + " " + s.ProfileFolder + " " + (s.Coverage == C::Hidden ? "hidden" : "own"));
    EXPECT_EQ(seen, (std::vector<std::string>{"default-release " + kProfile + " hidden", "work D:\\Fx\\work own",
                                              "last " + kFirefoxData + "\\Profiles\\last hidden"}));
}

TEST_F(BrowserCoverageTest, AMissingOrDamagedProfileListShowsFirefoxAsUnknown) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"missing", std::nullopt},
        {"empty", ""},
        {"not text", std::string("\xFF\xFE\0[\x01\x80", 6)},
        {"no IsRelative", "[Profile0]\nName=default\nPath=Profiles/abc.default\n"},
        {"too large", std::string(kMaxProfilesIniBytes + 1, '[')},
    };
    for (const auto& [name, bytes] : cases) {
        P.Files.RemoveFile(kIni);
        if (bytes) P.Files.Put(kIni, *bytes);
        const std::vector<TBrowserState> found = FindBrowsers(C());
        ASSERT_EQ(found.size(), 1u) << name;
        EXPECT_EQ(found[0].Coverage, C::Unreadable) << name;
        EXPECT_EQ(found[0].Unreadable, kIni) << name;
        EXPECT_FALSE(found[0].CanFollow()) << name;
    }
}

TEST_F(BrowserCoverageTest, FirefoxPoliciesDecideOverTheProfileOrAsItsDefault) {
    struct TCase {
        const char* Name;
        std::optional<std::string> Policy; // the mode of the machine's registry policy
        std::optional<uint32_t> Locked;
        std::optional<std::string> Json; // policies.json beside firefox.exe
        std::optional<std::string> Prefs;
        TCoverage Coverage;
        TProxyMode Mode;
        bool ByPolicy;
    };
    const std::string json = "{\"policies\": {\"Proxy\": {\"Mode\": \"autoConfig\", \"Locked\": true}}}";
    const TCase cases[] = {
        {"locked manual over the user's 5", "manual", 1u, std::nullopt, Pref("5"), C::NotHidden, M::Manual, true},
        {"locked system over the user's 1", "system", 1u, std::nullopt, Pref("1"), C::Hidden, M::System, true},
        {"locked without a mode: the default, 5", std::nullopt, 1u, std::nullopt, Pref("1"), C::Hidden, M::System,
         true},
        {"unlocked: the user's value wins", "none", 0u, std::nullopt, Pref("5"), C::Hidden, M::System, false},
        {"unlocked: the policy is the default", "none", std::nullopt, std::nullopt, std::nullopt, C::NotHidden,
         M::None, true},
        {"a mode Firefox refuses sets nothing", "proxy", std::nullopt, std::nullopt, std::nullopt, C::Hidden,
         M::System, false},
        {"policies.json", std::nullopt, std::nullopt, json, Pref("5"), C::NotHidden, M::Script, true},
        {"the registry over policies.json", "system", std::nullopt, json, std::nullopt, C::Hidden, M::System, true},
        {"a policies.json that is not JSON", std::nullopt, std::nullopt, "{\"policies\": {\"Proxy\": {",
         Pref("1"), C::NotHidden, M::Manual, false},
    };
    P.Files.Put(kIni, kOneProfile);
    const std::string policies = "C:\\Program Files\\Mozilla Firefox\\distribution\\policies.json";
    for (const TCase& c : cases) {
        P.Registry.Values.clear();
        SetUp();
        if (c.Policy) P.Registry.WriteString(TRegRoot::LocalMachine, kFirefoxPolicy, "Mode", *c.Policy);
        if (c.Locked) P.Registry.WriteDword(TRegRoot::LocalMachine, kFirefoxPolicy, "Locked", *c.Locked);
        P.Files.RemoveFile(policies);
        P.Files.RemoveFile(kProfile + "\\prefs.js");
        if (c.Json) P.Files.Put(policies, *c.Json);
        if (c.Prefs) P.Files.Put(kProfile + "\\prefs.js", *c.Prefs);
        const TBrowserState s = Only("Firefox");
        EXPECT_EQ(s.Coverage, c.Coverage) << c.Name;
        EXPECT_EQ(s.Mode, c.Mode) << c.Name;
        EXPECT_EQ(s.ByPolicy, c.ByPolicy) << c.Name;
    }
}

TEST_F(BrowserCoverageTest, TheChromiumFamilyFollowsUnlessItsPoliciesOrItsCommandSayOtherwise) {
    struct TCase {
        const char* Name;
        std::vector<std::tuple<TRegRoot, const char*, std::string>> Values; // "ProxyServerMode" is a number
        TCoverage Coverage;
        TProxyMode Mode;
        bool ByPolicy = false;
    };
    const auto LM = TRegRoot::LocalMachine, CU = TRegRoot::CurrentUser;
    const TCase cases[] = {
        {"no policy", {}, C::Hidden, M::System},
        {"fixed servers", {{LM, "ProxyMode", "fixed_servers"}, {LM, "ProxyServer", "10.1.1.1:3128"}}, C::NotHidden,
         M::Manual, true},
        {"fixed servers without a server: refused", {{LM, "ProxyMode", "fixed_servers"}}, C::Hidden, M::System},
        {"a server without a mode: refused", {{CU, "ProxyServer", "10.1.1.1:3128"}}, C::Hidden, M::System},
        {"direct with a server: refused", {{LM, "ProxyMode", "direct"}, {LM, "ProxyServer", "x:1"}}, C::Hidden,
         M::System},
        {"direct", {{CU, "ProxyMode", "direct"}}, C::NotHidden, M::None, true},
        {"auto detect", {{CU, "ProxyMode", "auto_detect"}}, C::NotHidden, M::AutoDetect, true},
        {"a script", {{CU, "ProxyMode", "pac_script"}, {CU, "ProxyPacUrl", "http://w/p.pac"}}, C::NotHidden,
         M::Script, true},
        {"the old server mode 2 with a script", {{CU, "ProxyServerMode", "2"}, {CU, "ProxyPacUrl", "http://w/p"}},
         C::NotHidden, M::Script, true},
        {"the old server mode 0", {{CU, "ProxyServerMode", "0"}}, C::NotHidden, M::None, true},
        {"the machine's system over the user's direct", {{LM, "ProxyMode", "system"}, {CU, "ProxyMode", "direct"}},
         C::Hidden, M::System, true},
        {"ProxySettings over single values",
         {{CU, "ProxySettings", "{\"ProxyMode\": \"auto_detect\"}"}, {CU, "ProxyMode", "system"}}, C::NotHidden,
         M::AutoDetect, true},
        {"ProxySettings that is not JSON: the single values",
         {{CU, "ProxySettings", "{\"ProxyMode\""}, {CU, "ProxyMode", "direct"}}, C::NotHidden, M::None, true},
    };
    Client(TRegRoot::CurrentUser, "Google Chrome", "Google Chrome", "\"C:\\Chrome\\chrome.exe\"");
    for (const TCase& c : cases) {
        for (TRegRoot root : {LM, CU})
            for (const char* name :
                 {"ProxyMode", "ProxyServer", "ProxyPacUrl", "ProxyServerMode", "ProxySettings", "ProxyBypassList"})
                P.Registry.DeleteValue(root, kChromePolicy, name);
        for (const auto& [root, name, value] : c.Values)
            if (std::string(name) == "ProxyServerMode")
                P.Registry.WriteDword(root, kChromePolicy, name, static_cast<uint32_t>(std::stoul(value)));
            else
                P.Registry.WriteString(root, kChromePolicy, name, value);
        const TBrowserState s = Only("Google Chrome");
        EXPECT_EQ(s.Coverage, c.Coverage) << c.Name;
        EXPECT_EQ(s.Mode, c.Mode) << c.Name;
        EXPECT_EQ(s.ByPolicy, c.ByPolicy) << c.Name;
        EXPECT_FALSE(s.CanFollow()) << c.Name;
    }
}

TEST_F(BrowserCoverageTest, EachBrowserOnceWithItsOwnPoliciesAndUnknownOnesAsSuch) {
    P.Registry.Values.clear();
    Client(TRegRoot::LocalMachine, "Microsoft Edge", "Microsoft Edge", "\"C:\\Edge\\msedge.exe\"");
    Client(TRegRoot::CurrentUser, "Microsoft Edge", "Microsoft Edge", "\"C:\\Edge\\msedge.exe\"");
    Client(TRegRoot::LocalMachine, "Chromium.ABC", "Chromium", "C:\\Chromium\\chrome.exe --proxy-server=1.2.3.4:80");
    Client(TRegRoot::CurrentUser, "Waterfox", "Waterfox", "\"C:\\Waterfox\\waterfox.exe\"");
    Client(TRegRoot::LocalMachine, "IEXPLORE.EXE", "Internet Explorer", "C:\\IE\\iexplore.exe");
    P.Registry.WriteString(TRegRoot::CurrentUser,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\brave.exe", "", "C:\\B\\brave.exe");
    P.Registry.WriteString(TRegRoot::LocalMachine, "Software\\Policies\\BraveSoftware\\Brave", "ProxyMode", "direct");
    P.Registry.WriteString(TRegRoot::CurrentUser, "Software\\Policies\\Microsoft\\Edge", "ProxyMode", "auto_detect");
    std::vector<std::string> seen;
    for (const TBrowserState& s : FindBrowsers(C()))
        seen.push_back(s.Browser + " " + std::to_string(static_cast<int>(s.Coverage)) + " " +
                       std::to_string(static_cast<int>(s.Mode)) + (s.ByPolicy ? " policy" : ""));
    EXPECT_EQ(seen, (std::vector<std::string>{"Chromium 1 2", // its registered command's switch
                                              "Internet Explorer 0 0", "Microsoft Edge 1 4 policy",
                                              "Waterfox 2 0", "Brave 1 1 policy"}));
}

TEST_F(BrowserCoverageTest, MakeItFollowAddsOneLineThatTheUninstallerTakesBackByteForByte) {
    const std::string line = std::string(kPrefLine) + "5);";
    struct TCase {
        const char* Name;
        std::optional<std::string> Before; // user.js; nullopt: missing
        std::string After;
    };
    const TCase cases[] = {
        {"no user.js", std::nullopt, line + "\r\n"},
        {"empty", "", line + "\r\n"},
        {"CR LF lines", "a;\r\nb;\r\n", "a;\r\nb;\r\n" + line + "\r\n"},
        {"LF, no final break", "a;\nb;", "a;\nb;\n" + line},
        {"a byte-order mark", "\xEF\xBB\xBF" + Pref("1"), "\xEF\xBB\xBF" + Pref("1") + line + "\n"},
    };
    P.Files.Put(kIni, kOneProfile);
    P.Files.Put(kProfile + "\\prefs.js", Pref("1"));
    for (const TCase& c : cases) {
        P.Files.RemoveFile(kProfile + "\\user.js");
        if (c.Before) P.Files.Put(kProfile + "\\user.js", *c.Before);
        ASSERT_TRUE(Only("Firefox").CanFollow()) << c.Name;
        EXPECT_EQ(MakeFirefoxProfileFollow(C(), kProfile).Outcome, TFollowResult::TOutcome::Written)
            << c.Name;
        EXPECT_EQ(P.Files.Get(kProfile + "\\user.js"), c.After) << c.Name;
        EXPECT_EQ(Only("Firefox").Coverage, C::Hidden) << c.Name;
        TakeBackFirefoxFollow(C());
        EXPECT_EQ(P.Files.ReadFile(kProfile + "\\user.js"), c.Before) << c.Name;
        EXPECT_FALSE(P.Files.FileExists(kJournal)) << c.Name;
    }

    // The user's later lines stay; a line the user changed is no longer ours.
    P.Files.Put(kProfile + "\\user.js", "a;\r\n");
    MakeFirefoxProfileFollow(C(), kProfile);
    P.Files.Put(kProfile + "\\user.js", P.Files.Get(kProfile + "\\user.js") + "b;\r\n");
    TakeBackFirefoxFollow(C());
    EXPECT_EQ(P.Files.Get(kProfile + "\\user.js"), "a;\r\nb;\r\n");
    MakeFirefoxProfileFollow(C(), kProfile);
    P.Files.Put(kProfile + "\\user.js", "a;\r\nb;\r\n" + Pref("4"));
    TakeBackFirefoxFollow(C());
    EXPECT_EQ(P.Files.Get(kProfile + "\\user.js"), "a;\r\nb;\r\n" + Pref("4"));
}

TEST_F(BrowserCoverageTest, MakeItFollowThatCannotReadOrWriteChangesNothing) {
    P.Files.Put(kProfile + "\\user.js", std::string(kMaxPrefsBytes + 1, '#'));
    TFollowResult r = MakeFirefoxProfileFollow(C(), kProfile);
    EXPECT_EQ(r.Outcome, TFollowResult::TOutcome::Unreadable);
    EXPECT_EQ(r.File, kProfile + "\\user.js");
    EXPECT_FALSE(P.Files.FileExists(kJournal));

    P.Files.Put(kProfile + "\\user.js", "a;\r\n");
    P.Files.WriteError = "Access is denied.";
    r = MakeFirefoxProfileFollow(C(), kProfile);
    EXPECT_EQ(r.Outcome, TFollowResult::TOutcome::NotWritten);
    EXPECT_EQ(r.Error, "Access is denied.");
    EXPECT_EQ(P.Files.Get(kProfile + "\\user.js"), "a;\r\n");
    EXPECT_FALSE(P.Files.FileExists(kJournal));
}
