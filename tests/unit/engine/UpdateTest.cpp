// The update check: reply format, signature and settings lines, the days rule, and the
// update window's decisions, with a real download worker against canned replies.
#include "app/AppSettings.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakePlatform.h"
#include "framework/engine/CLEngine.h"
#include "framework/engine/UpdateCheck.h"
#include "framework/settings/CLSettings.h"
#include "unit/DevSigning.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

class UpdateTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeInetClient& Inet = P.Inet;
    TFakeUiDispatcher& Ui = P.Ui;
    TFakeEngineHost Host;
    std::unique_ptr<TCLEngine> E;

    static constexpr char kConstants[] =
        "[setting]\nApp.MagicWord=Secret\nURL.Update=http://127.0.0.1:8080/u\n"
        "Update.Days=7\n";
    void SetUp() override {
        P.Files.Put("C:\\Tools\\App\\const.dat", kConstants);
        E = std::make_unique<TCLEngine>(nullptr, Host, P.Facilities, Settings());
    }
    // A reply as the service sends it: signed with the update key.
    void Reply(const std::string& body, int status = 200) {
        Inet.SetReply("127.0.0.1:8080/u", {status, true, ServiceSigned(body)});
    }
    std::string S(const char* key) { return Settings().GetSettingString(key); }
    // Runs handed-over work (progress, then the reply) until the window has decided.
    void PumpUntilDecided(TFakeUpdateView& v) {
        while (v.PostedResults == 0 && !v.Closed && Ui.Pump(1) == 1) {
        }
    }
};

} // namespace

TEST(UpdateReplyTest, LinesAndLookups) {
    TUpdateReply r = ParseUpdateReply("magicword=a\r\nResult=1\nno equals\rinfo=x=y\nResult=0\n");
    EXPECT_EQ(r.Value("RESULT"), "1") << "the first line of a name counts";
    EXPECT_EQ(r.Value("info"), "x=y");
    EXPECT_EQ(r.Lines.size(), 4u);
    EXPECT_EQ(UpdateReplyResult(ParseUpdateReply("Result=abc")), 0);
    EXPECT_EQ(UpdateReplyResult(ParseUpdateReply("")), 0);
    EXPECT_EQ(UpdateReplyResult(ParseUpdateReply("Result=2")), 2);
}

TEST_F(UpdateTest, OnlyTheAllowedSettingsAreAppliedInOrderAndEveryOtherIsRefusedByName) {
    EXPECT_TRUE(UpdateReplyAuthentic(Settings(), ParseUpdateReply("MagicWord=SECRET")));
    EXPECT_FALSE(UpdateReplyAuthentic(Settings(), ParseUpdateReply("magicword=other")));
    ApplyUpdateSettings(
        Settings(),
        ParseUpdateReply(
            "__modify__.NORMAL_IPS=1.2.3.4:80|A|AA|1|2;\n__MODIFY__.URL.home=1\n"
            "__MODIFY__. url.HOME =2\nBanner.Top.URL=http://127.0.0.1/b\n__MODIFY__.Update.Days=3\n"
            "__MODIFY__.FireFoxPath=C:\\evil.exe\n__MODIFY__.FireFoxPath =C:\\evil2.exe\n"
            "__MODIFY__.update.allowunsigned=1\n__MODIFY__.URL.LocalFlagPath=\\\\host\\share\\\n"
            "__MODIFY__.URL.x y=1\nBanner.a b=1\nOther=ignored\n"));
    EXPECT_EQ(S("NORMAL_IPS"), "1.2.3.4:80|A|AA|1|2;");
    EXPECT_EQ(S("URL.home"), "2") << "in order, the name trimmed, in any letter case";
    EXPECT_EQ(S("Banner.Top.URL"), "http://127.0.0.1/b");
    EXPECT_EQ(S("Update.Days"), "3");
    EXPECT_EQ(S("FireFoxPath"), "") << "a program to start";
    EXPECT_EQ(S("Update.AllowUnsigned"), "") << "only the distributor file may allow unsigned replies";
    EXPECT_EQ(S("URL.LocalFlagPath"), "") << "a path, no page";
    EXPECT_EQ(S("Other"), "");
    std::vector<std::string> refused;
    for (const std::string& line : P.Trace.Lines)
        if (line.rfind("[CLUpdate] Update refused", 0) == 0) refused.push_back(line.substr(11));
    EXPECT_EQ(refused,
              (std::vector<std::string>{
                  "Update refused to set FireFoxPath", "Update refused to set FireFoxPath ",
                  "Update refused to set update.allowunsigned", "Update refused to set URL.LocalFlagPath",
                  "Update refused to set URL.x y", "Update refused to set Banner.a b"}));
}

TEST_F(UpdateTest, DaysRuleAndFirstRun) {
    EXPECT_TRUE(AutoUpdateDue(Settings(), 46000.0)) << "never checked";
    Settings().SetSettingFloat("Update.LastDate", 46000.0 - 6 - 23.0 / 24);
    EXPECT_FALSE(AutoUpdateDue(Settings(), 46000.0));
    Settings().SetSettingFloat("Update.LastDate", 46000.0 - 7);
    EXPECT_TRUE(AutoUpdateDue(Settings(), 46000.0));
    // A date from an edited file or a reply that no day count can hold is simply long ago.
    for (const char* implausible : {"1E300", "-1E300", "1E19", "nan"}) {
        Settings().SetSettingstring("Update.LastDate", implausible);
        EXPECT_TRUE(AutoUpdateDue(Settings(), 46000.0)) << implausible;
    }
    Settings().SetSettingBool("Update.AutoCheck", true);
    EXPECT_FALSE(AutoUpdateShows(Settings())) << "the first run stays silent";
}

TEST_F(UpdateTest, AcceptedReplyWithANewVersionShowsItsPage) {
    Reply("magicword=secret\nResult=1\ninfo=Version 2 is out\npage=http://127.0.0.1/new\n"
          "__MODIFY__.NORMAL_IPS=5.6.7.8:80|B|BB|1|2;\n");
    P.Clock.Value = 46003.5;
    E->AppUpdate(false);
    ASSERT_EQ(Host.UpdateViews.size(), 1u);
    TFakeUpdateView& v = *Host.UpdateViews[0];
    EXPECT_TRUE(v.Visible) << "shown while connecting";
    PumpUntilDecided(v);
    EXPECT_EQ(v.PostedResults, 1);
    EXPECT_EQ(S("Update.Times"), "1");
    EXPECT_EQ(S("NORMAL_IPS"), "5.6.7.8:80|B|BB|1|2;");
    EXPECT_EQ(Settings().GetSettingFloat("Update.LastDate"), 46003.5);
    ASSERT_EQ(Inet.Requests().size(), 1u);
    EXPECT_EQ(Inet.Requests()[0].rfind("GET 127.0.0.1:8080/u?ACTION=Update&", 0), 0u);
}

TEST_F(UpdateTest, RejectedAndFailedRepliesChangeNothing) {
    Reply("magicword=wrong\n__MODIFY__.URL.home=1\n");
    E->AppUpdate(false);
    TFakeUpdateView& v = *Host.UpdateViews[0];
    PumpUntilDecided(v);
    EXPECT_EQ(v.PostedResults, 1) << "the visible window reports the failure";
    EXPECT_EQ(S("URL.home"), "");
    EXPECT_EQ(S("Update.Times"), "");
    EXPECT_NE(S("Update.LastDate"), "") << "written before the reply is examined";

    Inet.SetReply("127.0.0.1:8080/u", {404, true, "magicword=secret\n"});
    Settings().SetSettingstring("Update.LastDate", "");
    E->AppUpdateAuto(); // silent: hidden window
    PumpUntilDecided(*Host.UpdateViews[1]);
    EXPECT_TRUE(Host.UpdateViews[1]->Closed);
    EXPECT_EQ(S("Update.LastDate"), "") << "an error page is a failure: no date written";
    EXPECT_EQ(S("Update.Times"), "");
}

// Only a reply signed with the update key changes anything, and "Update.AllowUnsigned"
// counts only from the distributor file (oem.const.dat). A refused reply is a failed
// contact: not even the date of the last reply is written.
TEST_F(UpdateTest, OnlyASignedReplyIsAppliedUnlessTheDistributorAllowsUnsigned) {
    const std::string body = "magicword=Secret\r\n__MODIFY__.URL.home=1\r\n";
    const std::string good = ServiceSigned(body);
    std::string changed = good;
    changed[changed.find("home=1") + 5] = '2';
    const std::string otherKey =
        SignedWith(MASKADDR_SOURCE_DIR "/tests/unit/engine/other-signing-key.pem", body);
    struct Case {
        const char* what;
        std::string reply;
        std::string allowIn; // the file that says "Update.AllowUnsigned=1"
        bool applied;
    };
    const Case cases[] = {
        {"signed with the update key", good, "", true},
        {"signed, LF line breaks",
         DevSigned("issued=2025-12-09T12:00:00Z\nserial=1\nmagicword=Secret\n__MODIFY__.URL.home=1\n"), "", true},
        {"one byte changed", changed, "", false},
        {"no signature line", body, "", false},
        {"signed by another key", otherKey, "", false},
        {"a line after the signature", good + "__MODIFY__.URL.home=3\r\n", "", false},
        {"a signature of the wrong length", body + "signature=AAAA\r\n", "", false},
        {"unsigned, allowed by the distributor", body, "oem.const.dat", true},
        {"unsigned, allowance in const.dat", body, "const.dat", false},
        {"unsigned, allowance in setting.dat", body, "setting.dat", false},
    };
    const std::string allow = "Update.AllowUnsigned=1\n";
    for (const Case& c : cases) {
        P.Files.Put("C:\\Tools\\App\\const.dat", kConstants + (c.allowIn == "const.dat" ? allow : ""));
        P.Files.Put("C:\\Tools\\App\\oem.const.dat",
                    "[setting]\n" + (c.allowIn == "oem.const.dat" ? allow : ""));
        Settings().Reopen();
        for (const char* key : {"URL.home", "Update.Times", "Update.LastDate"})
            Settings().SetSettingstring(key, "");
        Settings().SetSettingstring("Update.AllowUnsigned", c.allowIn == "setting.dat" ? "1" : "");
        Inet.SetReply("127.0.0.1:8080/u", {200, true, c.reply});
        size_t window = Host.UpdateViews.size();
        E->AppUpdate(false);
        TFakeUpdateView& v = *Host.UpdateViews.at(window);
        PumpUntilDecided(v);
        EXPECT_EQ(S("URL.home"), c.applied ? "1" : "") << c.what;
        EXPECT_EQ(S("Update.Times"), c.applied ? "1" : "") << c.what;
        EXPECT_EQ(S("Update.LastDate").empty(), !c.applied) << c.what;
        EXPECT_EQ(v.PostedResults, 1) << c.what << ": the visible window reports the outcome";
    }
    // A system that offers no signature check accepts nothing, signed or not.
    TPlatform bare = P.Facilities;
    bare.Signatures = nullptr;
    EXPECT_EQ(AcceptedUpdateText(bare, Settings(), good), std::nullopt);
    EXPECT_NE(AcceptedUpdateText(P.Facilities, Settings(), good), std::nullopt) << "the same reply with one";
}

// A signed reply counts only while fresh: issued no more than 7 days before the clock (UTC)
// and with a serial no lower than the newest accepted. A stale one is a failed contact, its
// reason traced.
TEST_F(UpdateTest, OnlyAFreshReplyWithAGrowingSerialIsApplied) {
    struct Case {
        const char* what;
        std::string reply;
        const char* refusal; // the trace line's reason; "" when applied
    };
    const std::string body = "magicword=Secret\r\n__MODIFY__.URL.home=";
    const Case cases[] = {
        {"serial 5, issued now", ServiceSigned(body + "5\r\n", 5), ""},
        {"the same reply again", ServiceSigned(body + "5\r\n", 5), ""},
        {"a captured older reply", ServiceSigned(body + "4\r\n", 4), "serial 4 is older than the accepted 5"},
        {"issued 6 days ago", ServiceSigned(body + "6\r\n", 6, "2025-12-03T12:00:00Z"), ""},
        {"issued 8 days ago", ServiceSigned(body + "7\r\n", 7, "2025-12-01T12:00:00Z"),
         "issued 2025-12-01T12:00:00Z, more than 7 days ago"},
        {"issued in the future", ServiceSigned(body + "8\r\n", 8, "2026-01-01T00:00:00Z"), ""},
        {"no issue time", DevSigned("serial=9\r\n" + body + "9\r\n"), "the reply carries no issue time"},
        {"no such day", ServiceSigned(body + "9\r\n", 9, "2025-02-29T12:00:00Z"), "the reply carries no issue time"},
        {"local time, no Z", ServiceSigned(body + "9\r\n", 9, "2025-12-09T12:00:00"),
         "the reply carries no issue time"},
        {"no serial", DevSigned("issued=2025-12-09T12:00:00Z\r\n" + body + "9\r\n"), "the reply carries no serial"},
        {"serial 0", ServiceSigned(body + "9\r\n", 0), "the reply carries no serial"},
        {"serial of 20 digits", DevSigned("issued=2025-12-09T12:00:00Z\r\nserial=18446744073709551616\r\n" + body +
                                          "9\r\n"),
         "the reply carries no serial"},
    };
    for (const Case& c : cases) {
        const std::string before = S("Update.Times");
        P.Trace.Lines.clear();
        Inet.SetReply("127.0.0.1:8080/u", {200, true, c.reply});
        size_t window = Host.UpdateViews.size();
        E->AppUpdate(false);
        PumpUntilDecided(*Host.UpdateViews.at(window));
        const bool refused = std::count(P.Trace.Lines.begin(), P.Trace.Lines.end(),
                                        std::string("[CLUpdate] Update refused : ") + c.refusal) == 1;
        EXPECT_EQ(S("Update.Times") != before, *c.refusal == 0) << c.what << ": applied";
        EXPECT_EQ(refused, *c.refusal != 0) << c.what << ": the reason traced";
    }
    EXPECT_EQ(S("Update.Serial"), "8") << "the newest accepted serial is kept";
}

TEST_F(UpdateTest, WaitForTheFirstReply) {
    bool strip = false, selfClosed = false;
    Host.ModalLoop = [&](TFakeUpdateView& v) { // the view is freed with the window after the modal run
        PumpUntilDecided(v);
        strip = v.Process;
        selfClosed = v.Closed && v.PostedResults == 0;
    };
    Reply("magicword=Secret\nResult=1\n");
    EXPECT_TRUE(E->AppWaitFirstUpdate());
    EXPECT_TRUE(strip);
    EXPECT_TRUE(selfClosed) << "no result asked for: the strip closes itself";
    size_t windows = Host.UpdateViews.size();
    EXPECT_TRUE(E->AppWaitFirstUpdate());
    EXPECT_EQ(Host.UpdateViews.size(), windows) << "no window once a reply was accepted";
}

TEST_F(UpdateTest, CountdownOfAtLeastFiveSeconds) {
    Settings().SetSettingInteger("Update.DelaySeconds", 0);
    P.Files.Put("C:\\Tools\\App\\lang\\English.lan", "[LibRes]\nlblTimer.Caption=closing in {1}\n");
    E->SetLanguageData(nullptr);
    TUpdateController c(*E, P.Facilities, Settings());
    TFakeUpdateView v;
    c.SetView(&v);
    EXPECT_EQ(c.FDelaySeconds, 5);
    P.Clock.Value = 46000.0;
    c.tmrTimerTimer();
    EXPECT_FALSE(v.Closed);
    P.Clock.Value += 4.9 / 86400;
    c.tmrTimerTimer();
    EXPECT_FALSE(v.Closed);
    P.Clock.Value += 0.1 / 86400;
    c.tmrTimerTimer();
    EXPECT_TRUE(v.Closed);
}

TEST_F(UpdateTest, CacheDownloadsOncePerAddressAndCancelDropsOnlyTheCall) {
    Inet.SetReply("127.0.0.1:8080/flag/DE.PNG", {200, true, "png"});
    std::vector<std::string> done;
    auto onDone = [&](TSingleDownloader*, const std::string& file, int64_t) { done.push_back(file); };
    E->DownloadtoCache("http://127.0.0.1:8080/flag/DE.PNG", "C:\\Cache\\flags\\DE.png", onDone);
    E->DownloadtoCache("HTTP://127.0.0.1:8080/flag/DE.PNG", "C:\\Cache\\flags\\DE.png", onDone);
    Ui.Pump(2);
    EXPECT_EQ(Inet.Requests().size(), 1u);
    EXPECT_EQ(done, std::vector<std::string>{"C:\\Cache\\flags\\DE.png"});
    EXPECT_EQ(P.Files.Get("C:\\Cache\\flags\\DE.png"), "png");

    Inet.SetReply("127.0.0.1:8080/flag/FR.PNG", {200, true, "fr"});
    E->DownloadtoCache("http://127.0.0.1:8080/flag/FR.PNG", "C:\\Cache\\flags\\FR.png", onDone);
    E->DownloadtoCacheCancel("http://127.0.0.1:8080/flag/fr.png");
    Ui.Pump(2);
    EXPECT_EQ(done.size(), 1u) << "the completion call was dropped";
    EXPECT_EQ(P.Files.Get("C:\\Cache\\flags\\FR.png"), "fr") << "the transfer still wrote the file";
}
