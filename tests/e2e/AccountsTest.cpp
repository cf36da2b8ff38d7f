// Two accounts of one machine: two Wine prefixes whose ProgramData is one shared folder.
// tests/e2e/two-accounts runs the steps in order, each in its account's prefix:
//   1. account A sets its own configuration script, hides, and ends without a stop (as a
//      crash ends it), so its journal of A's settings stays;
//   2. (the driver plants A's journal in the shared folder, where any account may write);
//   3. account B, with a script of its own, starts, hides, stops and exits;
//   4. account A starts again.
// B's settings never take A's values, and A gets its own settings back.
#include "E2eSupport.h"
#include "ProgramDriver.h"
#include "WinTestUtil.h"
#include "app/MainIds.h"
#include "browsers/ProxyJournal.h"
#include "platform/win32/PlatformWin.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

constexpr char kScriptA[] = "http://127.0.0.1:9/account-a.pac";
constexpr char kScriptB[] = "http://127.0.0.1:9/account-b.pac";

// The account's configuration script as the browsers see it (live) and as it is stored. Wine
// keeps a script only in the stored value (its WinINet reads it from there); the live options
// answer "direct" without one.
struct TScript {
    TConnectionOptions Live;
    std::optional<std::string> Stored;
    bool operator==(const TScript&) const = default;
};

TScript AccountScript() {
    return {TInternetSettingsWin().QueryConnectionOptions().value_or(TConnectionOptions{}),
            TRegistryWin().ReadString(TRegRoot::CurrentUser, kInternetSettingsKey, "AutoConfigURL")};
}

void SetAccountScript(const std::string& url) {
    TConnectionOptions options;
    options.Flags = PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_PROXY_URL;
    options.AutoConfigUrl = url;
    ASSERT_TRUE(TInternetSettingsWin().ApplyConnectionOptions(options));
    ASSERT_TRUE(TRegistryWin().WriteString(TRegRoot::CurrentUser, kInternetSettingsKey, "AutoConfigURL", url));
}

bool CarriesA(const TScript& s) {
    return s.Live.AutoConfigUrl == kScriptA || s.Stored == kScriptA;
}

std::string JournalIn(bool shared) {
    return ShellFolderPath(shared, shared ? "Common AppData" : "AppData") + "\\" +
           FolderWord(Env("MASKADDR_E2E_EXE")) + "\\proxyjournal.dat";
}

const std::string Trace = Env("MASKADDR_TRACE_FILE");

} // namespace

TEST(TwoAccounts, AHidesWithItsOwnScriptAndEndsWithoutAStop) {
    SetAccountScript(kScriptA);
    TApp app("-d");
    ASSERT_NE(HiddenWindow(app, Trace), nullptr);
    EXPECT_NE(QuerySystemProxy().Server, "");
    app.Kill();
    EXPECT_TRUE(TFileSystemWin().FileExists(JournalIn(false))) << "the account's own folder keeps its journal";
    EXPECT_FALSE(TFileSystemWin().FileExists(JournalIn(true)));
}

TEST(TwoAccounts, BHidesStopsAndExitsWithoutEverTakingAsValues) {
    ASSERT_NE(ReadText(JournalIn(true)).find(kScriptA), std::string::npos) << "the driver planted A's journal";
    SetAccountScript(kScriptB);
    const TScript own = AccountScript();
    TApp app("-d");
    HWND w = nullptr;
    ASSERT_EQ(app.StartUp(Trace, w), "");
    EXPECT_EQ(AccountScript(), own) << "the start applies no journal";
    ASSERT_EQ(app.Hide(w), "");
    EXPECT_FALSE(CarriesA(AccountScript()));
    Sleep(1100); // a second after the hide, or the stop gets the too-fast notice
    ASSERT_EQ(app.ClickOnce(w, ids::actStopHide, [w] { return ControlText(w, ids::btnHide) == "&Maskaddr"; }), "");
    EXPECT_EQ(AccountScript(), own) << "the stop puts B's own script back";
    EXPECT_EQ(app.Exit(w), 0);
    EXPECT_EQ(AccountScript(), own);
    EXPECT_NE(ReadText(JournalIn(true)).find(kScriptA), std::string::npos) << "the planted journal is left alone";
}

TEST(TwoAccounts, AStartsAgainAndGetsItsOwnScriptBack) {
    ASSERT_NE(QuerySystemProxy().Server, "") << "A ended while hiding";
    TApp app("-d");
    HWND w = nullptr;
    ASSERT_EQ(app.StartUp(Trace, w), "");
    EXPECT_EQ(AccountScript().Stored, kScriptA);
    EXPECT_TRUE(IsDirect(QuerySystemProxy())) << "nothing of the hide before the crash is left";
    EXPECT_FALSE(TFileSystemWin().FileExists(JournalIn(false)));
    EXPECT_EQ(app.Exit(w), 0);
}
