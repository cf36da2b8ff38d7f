// The real maskaddr.exe under Wine while the world changes around it: the proxy in use dies
// (then every proxy of the country, then one comes back), the service is down at start, an
// update withdraws the proxy in use, and another program sets the system proxy. The spare
// proxies and the second service (their ports picked free by run-e2e) are started and killed
// by the tests themselves.
#include "E2eSupport.h"
#include "ProgramDriver.h"
#include "WinTestUtil.h"
#include "app/MainIds.h"
#include "platform/win32/PlatformWin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

std::string Host(const std::string& proxy) {
    return proxy.substr(0, proxy.find(':'));
}

std::string Joined(const std::vector<std::string>& seen) {
    std::string text;
    for (const std::string& s : seen)
        text += s + " ";
    return text;
}

class HidingHolds : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("MASKADDR_E2E_EXE").empty()) << "run through tests/e2e/run-e2e";
        TFileSystemWin().RemoveFile(Trace);
        Saved = TFileSystemWin().ReadFile(UserFileOf(Env("MASKADDR_E2E_EXE")));
    }
    // The spare servers stopped and the user file as the test found it (absent on a fresh
    // installation, which other tests begin with).
    void TearDown() override {
        for (const char* spare : {"us-a", "us-b", "service2"})
            EXPECT_TRUE(Spare("stop", spare)) << spare;
        const std::string userFile = UserFileOf(Env("MASKADDR_E2E_EXE"));
        if (Saved)
            EXPECT_EQ(TFileSystemWin().WriteFileAtomic(userFile, *Saved), "");
        else
            TFileSystemWin().RemoveFile(userFile);
    }
    std::optional<std::string> Saved;
    // The user file: no automatic update at start (the lines decide the pool), lines after.
    void UserFile(const std::string& service, const std::string& lines) {
        ASSERT_EQ(WriteServiceUserFile(Env("MASKADDR_E2E_EXE"), service,
                                       "Update.BeginAuto=0\r\nUpdate.Times=1\r\n" + lines),
                  "");
    }
    HWND Hidden(const TApp& app) { return HiddenWindow(app, Trace); }
    // What the check page shows once a second for at most `seconds`, until `until` shows.
    std::vector<std::string> Polls(int seconds, const std::string& until) {
        std::vector<std::string> seen;
        for (int i = 0; i < seconds; ++i) {
            seen.push_back(SeenAddress());
            if (seen.back() == until) break;
            Sleep(1000);
        }
        return seen;
    }
    const std::string Trace = Env("MASKADDR_TRACE_FILE");
    const std::string SpareA = Env("MASKADDR_E2E_SPARE_us_a"), SpareB = Env("MASKADDR_E2E_SPARE_us_b");
};

} // namespace

TEST_F(HidingHolds, ADeadProxyIsReplacedAndWithNoneAliveTheBrowsersWaitUntilOneReturns) {
    ASSERT_TRUE(Spare("start", "us-a"));
    ASSERT_TRUE(Spare("start", "us-b"));
    UserFile(Env("MASKADDR_E2E_SERVICE"), "TARGET_COUNTRY=US\r\nNORMAL_IPS=" + SpareA +
                                              "|United States|US|-97.00|38.00;" + SpareB +
                                              "|United States|US|-97.00|38.00;\r\n");
    TApp app("-d");
    HWND w = Hidden(app);
    ASSERT_NE(w, nullptr);
    const std::string used = QuerySystemProxy().Server;
    ASSERT_TRUE(used == SpareA || used == SpareB) << used;
    const std::string other = used == SpareA ? SpareB : SpareA;
    ASSERT_EQ(SeenAddress(), Host(used));

    // 1. The proxy in use dies: within 30 seconds the browsers go through the other.
    ASSERT_TRUE(Spare("stop", used == SpareA ? "us-a" : "us-b"));
    std::vector<std::string> seen = Polls(30, Host(other));
    EXPECT_EQ(seen.back(), Host(other)) << Joined(seen);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "127.0.0.1"), 0) << Joined(seen);
    EXPECT_EQ(QuerySystemProxy().Server, other);

    // 2. Both die: for a minute nobody is seen from the user's own address, and the notice says why.
    ASSERT_TRUE(Spare("stop", other == SpareA ? "us-a" : "us-b"));
    seen = Polls(60, "127.0.0.1");
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "127.0.0.1"), 0) << Joined(seen);
    EXPECT_NE(ReadText(Trace).find("No proxy of United States answers."), std::string::npos)
        << ReadText(Trace);
    EXPECT_EQ(ControlText(w, ids::btnHide), "&Stop Hide") << "still hiding, never direct";
    EXPECT_EQ(QuerySystemProxy().Server, other) << "the browsers stay on the last proxy";

    // 3. One comes back: hiding resumes through it, with a notice.
    ASSERT_TRUE(Spare("start", "us-a"));
    seen = Polls(80, Host(SpareA));
    EXPECT_EQ(seen.back(), Host(SpareA)) << Joined(seen);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "127.0.0.1"), 0) << Joined(seen);
    EXPECT_NE(ReadText(Trace).find("A proxy of United States answers again"), std::string::npos);

    EXPECT_EQ(app.Exit(w), 0);
    EXPECT_TRUE(IsDirect(QuerySystemProxy()));
}

TEST_F(HidingHolds, AServiceThatIsDownAtStartIsReachedWithoutAClick) {
    UserFile(Env("MASKADDR_E2E_SERVICE2"), "");
    TApp app("-d");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WaitForText(Trace, "SetTextInfo(No connection to the Maskaddr server", 30000))
        << ReadText(Trace);
    Sleep(10000);
    ASSERT_TRUE(Spare("start", "service2"));
    EXPECT_TRUE(WaitForText(Trace, "|127.0.0.1|Germany|Berlin|", 60000)) << ReadText(Trace);
    EXPECT_EQ(app.Exit(w), 0);
}

TEST_F(HidingHolds, AnUpdateThatWithdrawsTheProxyInUseMovesTheBrowsersOffIt) {
    ASSERT_TRUE(Spare("start", "us-a"));
    // The pool knows only the spare proxy in the United States, which the service does not list.
    UserFile(Env("MASKADDR_E2E_SERVICE"), "TARGET_COUNTRY=US\r\nNORMAL_IPS=" + SpareA +
                                              "|United States|US|-97.00|38.00;" +
                                              Env("MASKADDR_E2E_PROXY_DE") + "|Germany|DE|13.40|52.52;\r\n");
    TApp app("-d");
    HWND w = Hidden(app);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(SeenAddress(), Host(SpareA));

    PostMessageW(w, WM_COMMAND, ids::actUpdate, 0);
    const std::string proxy = Env("MASKADDR_E2E_PROXY");
    const std::vector<std::string> seen = Polls(30, Host(proxy));
    EXPECT_EQ(seen.back(), Host(proxy)) << Joined(seen);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "127.0.0.1"), 0) << Joined(seen);
    EXPECT_EQ(QuerySystemProxy().Server, proxy);
    EXPECT_NE(IniValue(UserFileOf(Env("MASKADDR_E2E_EXE")), "setting", "NORMAL_IPS").find(proxy),
              std::string::npos);

    EXPECT_EQ(app.Exit(w), 0);
    EXPECT_TRUE(IsDirect(QuerySystemProxy()));
}

TEST_F(HidingHolds, AnotherProgramsProxySettingsEndTheHidingAndOutliveTheProgram) {
    UserFile(Env("MASKADDR_E2E_SERVICE"), "TARGET_COUNTRY=US\r\nNORMAL_IPS=" + Env("MASKADDR_E2E_PROXY") +
                                              "|United States|US|-97.00|38.00;\r\n");
    TApp app("-d");
    HWND w = Hidden(app);
    ASSERT_NE(w, nullptr);

    // This process sets the system proxy, as another program (or the system's dialog) would: to
    // the run's address where nothing listens, so nothing goes anywhere through it.
    const std::string theirs = Env("MASKADDR_E2E_DEAD_PROXY");
    ASSERT_FALSE(theirs.empty());
    ASSERT_TRUE(TInternetSettingsWin().ApplyConnectionOptions({PROXY_TYPE_PROXY, theirs, "", "", 0}));
    EXPECT_TRUE(PumpUntil([&] { return ControlText(w, ids::btnHide) == "&Maskaddr"; }, 10000))
        << "the window shows the not-hiding state";
    // The notice follows the stop (it replaces the stop's own text): wait for it, too.
    EXPECT_TRUE(WaitForText(Trace, "Another program changed the proxy settings.", 10000)) << ReadText(Trace);
    EXPECT_EQ(app.Exit(w), 0);
    const TProxyState after = QuerySystemProxy();
    EXPECT_EQ(after.Server, theirs);
    EXPECT_EQ(after.Flags & PROXY_TYPE_PROXY, static_cast<DWORD>(PROXY_TYPE_PROXY));
    EXPECT_EQ(after.RegistryEnable, 1u);
    ASSERT_TRUE(TInternetSettingsWin().ApplyConnectionOptions({PROXY_TYPE_DIRECT, "", "", "", 0}));
}
