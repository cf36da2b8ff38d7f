// Firefox, Opera and the URL cache on the real system: registry keys, preference files
// read back with the system's own INI functions, cache entries made with WinINet, and a
// stand-in firefox.exe that records how it was started. Last, the real program rotating
// with cookie clearing on.
#include "ProgramTest.h"
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "app/MainIds.h"
#include "browsers/Firefox.h"
#include "browsers/Opera.h"
#include "browsers/UrlCacheClearing.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/win32/PlatformWin.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

const char* kMozilla = "SOFTWARE\\Mozilla\\Mozilla Firefox";
const std::string kChrome = "-silent -nosplash -chrome \"chrome://maskaddr/content/maskaddr.xul";

class TLinesSink final : public ITraceSink {
public:
    std::vector<std::string> Lines;
    void WriteTrace(std::string_view, std::string_view text) override { Lines.emplace_back(text); }
};

// The stand-in Firefox beside the test program, and the file it records its starts in.
class BrowsersWinTest : public TProgramTest {
protected:
    static TBrowserContext C() { return {Win32Platform(), Settings()}; }
    TRegistryWin Reg;
    const std::string Firefox = Fs.LongPath(TestProgramFolder() + "firefox.exe");
    const std::string Log = Dir / "firefox.log";
    const std::string OperaFolder = ShellFolderPath(false, "AppData") + "\\Opera\\Opera\\";
    void SetUp() override {
        TProgramTest::SetUp();
        SetPlatform(Win32Platform()); // the settings store is made from it
        SetEnvironmentVariableW(L"MASKADDR_FIREFOX_LOG", ToWide(Log).c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"MASKADDR_FIREFOX_LOG", nullptr);
        for (const char* name : {"profile\\opera6.ini", "operaprefs.ini"})
            Fs.RemoveFile(OperaFolder + name);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Mozilla");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brisklane");
        FreeSettings();
        TProgramTest::TearDown();
    }
    // The stop command, once, a second after the hide (a quicker one gets the too-fast notice).
    static std::string Stop(const TBuiltApp& app, HWND w) {
        Sleep(1100);
        return app.ClickOnce(w, ids::actStopHide,
                             [w] { return ControlText(w, ids::btnHide) == "&Maskaddr"; });
    }
    // The recorded starts; waits for `count` of them (the stand-in runs on its own).
    std::vector<std::string> Starts(size_t count) {
        std::vector<std::string> lines;
        PumpUntil(
            [&] {
                lines.clear();
                std::string all = Fs.ReadFile(Log).value_or("");
                for (size_t at = 0, end; (end = all.find("\r\n", at)) != std::string::npos; at = end + 2)
                    lines.push_back(all.substr(at, end - at));
                return lines.size() >= count;
            },
            10000);
        return lines;
    }
};

std::set<std::string> CacheUrls() {
    std::set<std::string> urls;
    DWORD size = 0;
    FindFirstUrlCacheEntryW(nullptr, nullptr, &size);
    std::vector<unsigned char> buffer(size + 4096);
    size = static_cast<DWORD>(buffer.size());
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    HANDLE find = FindFirstUrlCacheEntryW(nullptr, info, &size);
    if (find == nullptr) return urls;
    do {
        urls.insert(ToUtf8(info->lpszSourceUrlName));

        size = static_cast<DWORD>(buffer.size());
    } while (FindNextUrlCacheEntryW(find, info, &size));
    FindCloseUrlCache(find);
    return urls;
}

void AddCacheEntry(const std::wstring& url, DWORD type) {
    wchar_t file[MAX_PATH] = {};
    ASSERT_TRUE(CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0)) << LastErrorText();
    HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, "x", 1, &written, nullptr);
    CloseHandle(h);
    FILETIME never{};
    ASSERT_TRUE(CommitUrlCacheEntryW(url.c_str(), file, never, never, type, nullptr, 0, nullptr, nullptr))
        << LastErrorText();
}

} // namespace

TEST_F(BrowsersWinTest, FirefoxIsFoundByItsKeysAndStartedWithTheCommandLines) {
    EXPECT_FALSE(IsFirefoxInstalled(C()));
    ASSERT_TRUE(Reg.WriteString(TRegRoot::LocalMachine, kMozilla, "CurrentVersion", "9.0 (en-US)"));
    ASSERT_TRUE(Reg.WriteString(TRegRoot::LocalMachine, std::string(kMozilla) + "\\9.0 (en-US)\\Main",
                                "PathToExe", Firefox));
    EXPECT_EQ(FindFirefoxPath(C()), Firefox);
    EXPECT_EQ(Settings().GetSettingString("FireFoxPath"), Firefox);

    Settings().SetSettingBool("SWITCH.FF", true);
    SetFirefoxProxy(C(), ProxyA.Address());
    SetFirefoxProxy(C(), "");
    ClearFirefoxCookies(C());
    const std::string folder = FolderOf(Firefox);
    const std::string exe = folder + "> \"" + Firefox + "\" ";
    std::vector<std::string> starts = Starts(3);
    std::sort(starts.begin(), starts.end()); // the stand-ins run side by side
    EXPECT_EQ(starts, (std::vector<std::string>{exe + kChrome + "?cc\"", exe + kChrome + "?clear\"",
                                                exe + kChrome + "?ssl=&proxy=" + ProxyA.Host() + "&port=" +
                                                    std::to_string(ProxyA.Port()) + "\""}));

    // The Brisklane key names a folder whose Brisklane.exe wins over the Mozilla key.
    Settings().SetSettingstring("FireFoxPath", "");
    const std::string brisklane = Dir / "Brisklane.exe";
    ASSERT_TRUE(CopyFileW(ToWide(Firefox).c_str(), ToWide(brisklane).c_str(), FALSE));
    ASSERT_TRUE(Reg.WriteString(TRegRoot::CurrentUser, "Software\\Brisklane", "", Dir.Path()));
    EXPECT_EQ(FindFirefoxPath(C()), brisklane);

    EXPECT_FALSE(InstallFirefoxExtension(C())) << "no package beside the program: nothing is started";
    EXPECT_EQ(Starts(3).size(), 3u);
}

TEST_F(BrowsersWinTest, FirefoxRunsWhileAWindowOfItsClassExists) {
    EXPECT_FALSE(IsFirefoxRunning(C()));
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MozillaUIWindowClass";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND w = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsFirefoxRunning(C()));
    DestroyWindow(w);
    EXPECT_FALSE(IsFirefoxRunning(C()));
}

TEST_F(BrowsersWinTest, OperaGetsItsProxyKeysInTheFirstPreferenceFile) {
    const std::string appData = ShellFolderPath(false, "AppData");
    const std::string six = appData + "\\Opera\\Opera\\profile\\opera6.ini";
    const std::string prefs = appData + "\\Opera\\Opera\\operaprefs.ini";
    Fs.CreateFolders(appData + "\\Opera\\Opera\\profile");
    ASSERT_EQ(Fs.WriteFileAtomic(six, "[User Prefs]\r\nHome URL=about:blank\r\n"), "");
    ASSERT_EQ(Fs.WriteFileAtomic(prefs, "[Proxy]\r\n"), "");
    SetOperaProxy(C(), ProxyA.Address());
    auto key = [](const std::string& file, const char* name) {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"Proxy", ToWide(name).c_str(), L"<missing>", value, 256,
                                 ToWide(file).c_str());
        return ToUtf8(value);
    };
    for (const char* name : {"Use HTTP", "Use HTTPS", "Use FTP"})
        EXPECT_EQ(key(six, name), "1") << name;
    for (const char* name : {"HTTP server", "HTTPS server", "FTP server"})
        EXPECT_EQ(key(six, name), ProxyA.Address()) << name;
    EXPECT_EQ(key(six, "No Proxy Servers"), "");
    EXPECT_EQ(key(six, "Home URL"), "<missing>") << "another section";
    EXPECT_EQ(Fs.ReadFile(prefs), "[Proxy]\r\n") << "only the first file";
    SetOperaProxy(C(), "");
    EXPECT_EQ(Fs.ReadFile(six), "[User Prefs]\r\nHome URL=about:blank\r\n") << "the section we added is gone";
}

TEST_F(BrowsersWinTest, TheUrlCacheLosesCookiesHistoryAndPagesOnly) {
    TLinesSink sink;
    DebugTrace::SetSink(&sink);
    DebugTrace::SetEnabled(true);
    ASSERT_TRUE(CacheUrls().empty()) << "a fresh prefix";
    ClearUrlCache(*Win32Platform().UrlCache);
    EXPECT_EQ(sink.Lines,
              (std::vector<std::string>{"FindFirstUrlCacheEntry", "GetMem", "FindFirstUrlCacheEntry",
                                        "repeat end", "FreeMem", "FindCloseUrlCache"}));

    AddCacheEntry(L"Cookie:user@example.test/", COOKIE_CACHE_ENTRY);
    AddCacheEntry(L"Visited: user@http://example.test/", URLHISTORY_CACHE_ENTRY);
    AddCacheEntry(L"http://example.test/page", NORMAL_CACHE_ENTRY);
    ASSERT_EQ(CacheUrls().size(), 3u);
    sink.Lines.clear();
    ClearUrlCache(*Win32Platform().UrlCache);
    DebugTrace::SetEnabled(false);
    DebugTrace::SetSink(nullptr);
    EXPECT_TRUE(CacheUrls().empty());
    EXPECT_EQ(std::count(sink.Lines.begin(), sink.Lines.end(), std::string(51, '=')), 3);
    EXPECT_NE(std::find(sink.Lines.begin(), sink.Lines.end(), "Delete --- http://example.test/page"),
              sink.Lines.end());
}

// The real program with Firefox switching on, automatic rotation every minute and cookie
// clearing: Firefox follows the start, the hide, the rotation and the stop, and the one
// automatic rotation clears the URL cache and asks Firefox to clear its cookies.
TEST_F(BrowsersWinTest, TheProgramDrivesFirefoxAndClearsAfterAnAutomaticRotation) {
    WriteHidingUserFile("SWITCH.FF=1\r\nChangeIP=1\r\nChangeIPTime=1\r\nClearCookie=1\r\nTARGET_COUNTRY=UN\r\n"
                        // Nothing listens at these proxies: without a check address the
                        // watch of the proxy in use cannot find them dead.
                        "URL.VerifyIP=\r\n",
                        Entry(ProxyA, "Testland|QQ|0|0") + Entry(ProxyB, "Testland|QQ|0|0"));
    ASSERT_EQ(WriteOwnFirefoxPath(TBuiltApp::Exe(), Firefox), "");
    TBuiltApp app("-d");
    HWND w = nullptr;
    ASSERT_EQ(StartUp(app, w), "");
    AddCacheEntry(L"Cookie:user@example.test/", COOKIE_CACHE_ENTRY);
    ASSERT_EQ(app.Hide(w), "");

    // The interval is one minute; the rotation timer looks every ten seconds.
    ASSERT_TRUE(WaitForText(Log, "xul?cc", 90000)) << Fs.ReadFile(Trace).value_or("");
    EXPECT_EQ(CacheUrls().count("Cookie:user@example.test/"), 0u) << "the cache was cleared";
    EXPECT_TRUE(WaitForText(Trace, "FindCloseUrlCache", 1000));
    Sleep(1100); // a second after the rotation, or the stop gets the too-fast notice
    EXPECT_EQ(app.ClickOnce(w, ids::actStopHide, [w] { return ControlText(w, ids::btnHide) == "&Maskaddr"; }),
              "");
    EXPECT_EQ(app.Exit(w), 0);

    std::vector<std::string> queries;
    for (const std::string& line : Starts(6)) {
        EXPECT_EQ(line.rfind(FolderOf(Firefox) + "> \"" + Firefox + "\" " + kChrome, 0), 0u) << line;
        queries.push_back(line.substr(line.find(".xul") + 4));
    }
    ASSERT_EQ(queries.size(), 6u);
    EXPECT_EQ(queries[0], "?clear\"") << "the start returns Firefox to a direct connection";
    EXPECT_EQ(queries[1].rfind("?ssl=&proxy=127.0.0.", 0), 0u) << "the hide";
    // The rotation starts Firefox twice in a moment; the two stand-ins may record in either order.
    std::sort(queries.begin() + 2, queries.begin() + 4);
    EXPECT_EQ(queries[2], "?cc\"");
    EXPECT_EQ(queries[3].rfind("?ssl=&proxy=127.0.0.", 0), 0u) << "the rotation";
    EXPECT_NE(queries[3], queries[1]) << "a new proxy";
    EXPECT_EQ(queries[4], "?clear\"") << "the stop";
    EXPECT_EQ(queries[5], "?clear\"") << "the end";
}

namespace {

// Opera's file as Opera writes it, with the user's own proxy; the last section ends in LF and
// without a final line break, as a hand edit may leave it.
const std::string kOwnOperaPrefs =
    "Opera Preferences version 2.1\r\n; Do not edit this file while Opera is "
    "running\r\n\r\n[User Prefs]\r\nHome URL=about:blank\r\n\r\n[Proxy]\r\n"
    "Use HTTP=1\r\nHTTP server=127.0.0.9:3128\r\n\r\n[Network]\nEnable HTTP 1.1=1";

} // namespace

// Start, hide, stop and exit of the real program with Opera and Firefox switched off: Opera's
// file stays byte for byte as it was, and Firefox is never started.
TEST_F(BrowsersWinTest, TheProgramLeavesSwitchedOffBrowsersAlone) {
    Fs.CreateFolders(OperaFolder);
    ASSERT_EQ(Fs.WriteFileAtomic(OperaFolder + "operaprefs.ini", kOwnOperaPrefs), "");
    WriteHidingUserFile("TARGET_COUNTRY=QQ\r\nSWITCH.OPERA=0\r\nSWITCH.FF=0\r\n");
    ASSERT_EQ(WriteOwnFirefoxPath(TBuiltApp::Exe(), Firefox), "");
    TBuiltApp app("-d");
    HWND w = nullptr;
    ASSERT_EQ(StartUp(app, w), "");
    ASSERT_EQ(app.Hide(w), "");
    ASSERT_EQ(Stop(app, w), "");
    EXPECT_EQ(app.Exit(w), 0);
    EXPECT_EQ(Fs.ReadFile(OperaFolder + "operaprefs.ini"), kOwnOperaPrefs);
    // The program records each start of Firefox before it makes it.
    EXPECT_EQ(Fs.ReadFile(Trace).value_or("").find("[CLFirefox] LaunchProgram"), std::string::npos);
    EXPECT_EQ(Fs.ReadFile(Log), std::nullopt) << "Firefox was started";
}

// With Opera switched on, the hide names our proxy in Opera's file and the stop gives the
// user's file back byte for byte. (The start itself, with no hide of ours to undo, sets
// Opera's clear values: the user's own proxy is written after it.)
TEST_F(BrowsersWinTest, TheProgramGivesOperaTheUserOwnFileBackAfterAHide) {
    const std::string prefs = OperaFolder + "operaprefs.ini";
    Fs.CreateFolders(OperaFolder);
    ASSERT_EQ(Fs.WriteFileAtomic(prefs, kOwnOperaPrefs), "");
    WriteHidingUserFile("TARGET_COUNTRY=QQ\r\nSWITCH.OPERA=1\r\n");
    TBuiltApp app("-d");
    HWND w = nullptr;
    ASSERT_EQ(StartUp(app, w), "");
    EXPECT_EQ(Fs.ReadFile(prefs), kOwnOperaPrefs) << "the start leaves the user's own proxy";
    ASSERT_EQ(app.Hide(w), "");
    for (const char* key : {"HTTP server", "HTTPS server", "FTP server"})
        EXPECT_EQ(IniValue(prefs, "Proxy", key), ProxyA.Address()) << key;
    // The journal lives in the account's own folder, never in the shared one.
    const std::string journal =
        ShellFolderPath(false, "AppData") + "\\" + FolderWord(TBuiltApp::Exe()) + "\\operajournal.dat";
    EXPECT_TRUE(Fs.FileExists(journal)) << journal;
    EXPECT_FALSE(Fs.FileExists(FolderOf(TBuiltApp::UserFile()) + "\\operajournal.dat"));
    ASSERT_EQ(Stop(app, w), "");
    EXPECT_EQ(Fs.ReadFile(prefs), kOwnOperaPrefs);
    EXPECT_FALSE(Fs.FileExists(journal)) << "removed once used";
    EXPECT_EQ(app.Exit(w), 0);
    EXPECT_EQ(Fs.ReadFile(prefs), kOwnOperaPrefs) << "and so does the exit";
}
