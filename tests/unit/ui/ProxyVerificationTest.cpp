// The verification window's logic: the verdicts against recorded replies of the
// service's check, the proxies chosen, and whole runs against canned replies.
#include "ui/ProxyVerification.h"
#include "app/AppSettings.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeTestingView.h"
#include "framework/engine/CLEngine.h"
#include "framework/language/CLMultiLang.h"
#include "proxy/ProxyManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace maskaddr;
using namespace maskaddr::test;

TEST(ProxyVerdictTest, RecordedRepliesAreJudgedAgainstTheRealAddress) {
    struct TCase {
        const char* Reply; // nullptr: no reply at all (refused, timed out)
        TVerdict Verdict;
        const char* Header;
    };
    const TCase cases[] = {
        {"IP=127.0.0.2\r\nCOUNTRY_SHORT=US\r\nCOUNTRY_LONG=United States\r\n", TVerdict::Hides, ""},
        {"IP=127.0.0.1\r\nCOUNTRY_SHORT=DE\r\n", TVerdict::Leaks, ""},
        {"IP=127.0.0.4\r\nX-Tinyproxy=127.0.0.1\r\n", TVerdict::Leaks, "X-Tinyproxy"},
        {"IP=127.0.0.4\r\nX-Forwarded-For=10.9.9.9, 127.0.0.1\r\n", TVerdict::Leaks, "X-Forwarded-For"},
        {"IP=127.0.0.4\r\nForwarded=for=\"127.0.0.1:50123\";proto=http\r\n", TVerdict::Leaks, "Forwarded"},
        {"IP=127.0.0.4\r\nX-Forwarded-For=127.0.0.12\r\nVia=1.1 127.0.0.10\r\n", TVerdict::Hides, ""},
        {"<html><body>Proxy error</body></html>", TVerdict::NoAnswer, ""},
        {"IP=\r\n", TVerdict::NoAnswer, ""},
        {nullptr, TVerdict::NoAnswer, ""},
    };
    for (const TCase& c : cases) {
        std::optional<TCheckReply> reply = c.Reply ? ParseCheckReply(c.Reply) : std::nullopt;
        TJudgement j = JudgeProxy(reply, "127.0.0.1");
        EXPECT_EQ(j.Verdict, c.Verdict) << (c.Reply ? c.Reply : "no reply");
        EXPECT_EQ(j.Header, c.Header) << (c.Reply ? c.Reply : "no reply");
    }
}

namespace {

constexpr char kCheck[] = "http://127.0.0.1:9/verifyip";

class VerificationRunTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeEngineHost Host;
    TCLMultiLangData Texts{nullptr, "CLMultiLangData"};
    std::unique_ptr<TCLEngine> E;
    TFakeTestingView View;

    void SetUp() override {
        E = std::make_unique<TCLEngine>(nullptr, Host, P.Facilities, Settings());
        Texts.SetCurrentData({"[AppRes]", "Testing.Hides=hides", "Testing.LeaksAddress=leaks",
                              "Testing.LeaksHeader=leaks in {1}", "Testing.NoAnswer=no answer",
                              "Testing.Line={1} {2} {4}", "Testing.Summary={1} of {2} hide",
                              "Testing.NoServer=no server", "Testing.NoProxies=no proxies"});
        E->SetLanguageData(&Texts);
        P.Http.SetReply(kCheck, "IP=127.0.0.1\r\nCOUNTRY_SHORT=DE\r\nCOUNTRY_LONG=Germany\r\n");
    }
    static TProxyRec Proxy(const std::string& ip, const std::string& country = "Testland") {
        TProxyRec r;
        r.IP = ip;
        r.Port = "8888";
        r.Country_Long = country;
        return r;
    }
    static std::vector<TProxyRec> TenSilentProxies() {
        std::vector<TProxyRec> proxies;
        for (int i = 10; i < 20; ++i)
            proxies.push_back(Proxy("127.0.1." + std::to_string(i)));
        return proxies;
    }
    void Answer(const std::string& ip, const std::string& body) {
        P.Http.SetProxyReply(ip + ":8888", kCheck, body);
    }
    // Hands every result that has come to the user-interface thread, until none is left.
    void PumpAll() {
        while (!P.WorkersEnded() || P.Ui.Pump(1, std::chrono::milliseconds(0)) > 0) {
        }
    }
};

} // namespace

TEST_F(VerificationRunTest, EachProxyGetsOneLineAndTheSummaryCounts) {
    Answer("127.0.0.2", "IP=127.0.0.2\r\nCOUNTRY_LONG=United States\r\n");
    Answer("127.0.0.4", "IP=127.0.0.4\r\nCOUNTRY_LONG=France\r\nX-Forwarded-For=127.0.0.1\r\n");
    TTestingController c(View, {Proxy("127.0.0.2"), Proxy("127.0.0.4"), Proxy("127.0.0.5", "Nowhere")},
                         kCheck, *E, P.Facilities);
    c.FormCreate();
    PumpAll();
    std::sort(View.Log.begin(), View.Log.end()); // replies arrive in any order
    EXPECT_EQ(View.Log, (std::vector<std::string>{"127.0.0.2:8888 United States hides",
                                                  "127.0.0.4:8888 France leaks in X-Forwarded-For",
                                                  "127.0.0.5:8888 Nowhere no answer"}));
    EXPECT_EQ(View.Info, "1 of 3 hide");
    EXPECT_EQ(View.Done, 3u);
    EXPECT_EQ(View.Total, 3u);
    EXPECT_EQ(View.CloseDelay, 0) << "stays open for the user to read";
}

TEST_F(VerificationRunTest, ARunInWhichEveryProxyHidesClosesByItself) {
    Answer("127.0.0.2", "IP=127.0.0.2\r\n");
    TTestingController c(View, {Proxy("127.0.0.2")}, kCheck, *E, P.Facilities);
    c.FormCreate();
    PumpAll();
    EXPECT_EQ(View.Info, "1 of 1 hide");
    EXPECT_GT(View.CloseDelay, 0);
}

TEST_F(VerificationRunTest, AtMostEightRequestsAreUnderwayAtOnce) {
    const std::vector<TProxyRec> proxies = TenSilentProxies();
    TTestingController c(View, proxies, kCheck, *E, P.Facilities);
    c.FormCreate();
    ASSERT_EQ(P.Ui.Pump(1), 1u); // the real address
    ASSERT_TRUE(P.WorkersEnded());
    EXPECT_EQ(P.Http.Requests().size(), 1u + 8u) << "two wait for a free place";
    PumpAll();
    EXPECT_EQ(P.Http.Requests().size(), 1u + 10u);
    EXPECT_EQ(View.Info, "0 of 10 hide");
}

TEST_F(VerificationRunTest, ClosingEarlyCancelsWhatHasNotStarted) {
    const std::vector<TProxyRec> proxies = TenSilentProxies();
    {
        TTestingController c(View, proxies, kCheck, *E, P.Facilities);
        c.FormCreate();
        ASSERT_EQ(P.Ui.Pump(1), 1u);
    } // the window closed
    PumpAll();
    EXPECT_TRUE(View.Log.empty()) << "results of a closed window are dropped";
    EXPECT_EQ(P.Http.Requests().size(), 1u + 8u) << "nothing new started";
}

TEST_F(VerificationRunTest, WithoutTheServerOrProxiesNothingIsJudged) {
    P.Http.SetReply(kCheck, "<html>maintenance</html>");
    {
        TTestingController c(View, {Proxy("127.0.0.2")}, kCheck, *E, P.Facilities);
        c.FormCreate();
        PumpAll();
        EXPECT_EQ(View.Info, "no server");
        EXPECT_EQ(P.Http.Requests().size(), 1u) << "no proxy asked";
    }
    TTestingController none(View, {}, kCheck, *E, P.Facilities);
    none.FormCreate();
    EXPECT_EQ(View.Info, "no proxies");
    EXPECT_EQ(View.CloseDelay, 0);
}

TEST(ProxiesToVerifyTest, TheCountrysProxiesOnceAndABoundedSampleForAnyCountry) {
    TFakePlatform p;
    std::string normal, super;
    for (int i = 0; i < 40; ++i)
        normal += "10.0.0." + std::to_string(i) + ":80|Germany|DE|13|52;";
    normal += "10.0.1.1:80|France|FR|2|48;10.0.1.1:80|France|FR|2|48;broken;";
    super = "10.0.1.2:81|France|fr|2|48;";
    p.Files.Put("C:\\ProgramData\\C__Tools_App_app.exe\\setting.dat",
                "[setting]\nNORMAL_IPS=" + normal + "\nSUPER_IPS=" + super + "\n");
    TProxyManager pool{p.Facilities, Settings()};
    ASSERT_TRUE(pool.LoadSettings());

    std::vector<TProxyRec> fr = ProxiesToVerify(pool, "FR");
    ASSERT_EQ(fr.size(), 2u);
    EXPECT_EQ(fr[0].IP + ":" + fr[0].Port, "10.0.1.1:80");
    EXPECT_EQ(fr[1].IP + ":" + fr[1].Port, "10.0.1.2:81");
    EXPECT_EQ(ProxiesToVerify(pool, "DE").size(), 40u) << "a country's proxies are all verified";

    std::vector<TProxyRec> any = ProxiesToVerify(pool, "UN");
    ASSERT_EQ(any.size(), kSampleSize);
    std::set<std::string> distinct;
    for (const TProxyRec& r : any)
        distinct.insert(r.IP);
    EXPECT_EQ(distinct.size(), kSampleSize);
    EXPECT_TRUE(distinct.count("10.0.1.1") == 1 || distinct.count("10.0.1.2") == 1) << "spread over the pool";
}
