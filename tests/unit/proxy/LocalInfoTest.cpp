// The IP-information lookup and the keep-alive request with a fake HTTP client and a
// pumped queue in place of the user-interface thread; the worker threads are real.
#include "PoolTestSupport.h"
#include "app/AppSettings.h"
#include "proxy/ProxyManager.h"

using namespace maskaddr;
using namespace maskaddr::test;
using namespace std::chrono_literals;

namespace {

const std::string kLookup = "http://127.0.0.1:8/info?MagicWord=abc";

class LocalInfoTest : public PoolSettingsTest {
protected:
    TFakeDirectHttp* Http = &P.Http;
    TFakeUiDispatcher* Ui = &P.Ui;
    std::unique_ptr<TProxyManager> Pool = std::make_unique<TProxyManager>(P.Facilities, Settings());
    int Events = 0, Failures = 0;
    size_t RequestsBefore = 0;

    void SetUp() override {
        PoolSettingsTest::SetUp();
        Set("URL.GetInfo", "http://127.0.0.1:8/info");
        Set("App.MagicWord", "abc");
        Pool->SetOnLocalInfoFailed([this](TProxyManager&) { ++Failures; });
        Pool->SetOnGetCurrentLocalInfo([this](TProxyManager& sender) {
            EXPECT_EQ(&sender, Pool.get());
            ++Events;
        });
        RequestsBefore = Http->Requests().size();
    }
    // The requests since RequestsBefore, once the workers that make them have ended.
    std::vector<std::string> NewRequests() {
        EXPECT_TRUE(P.WorkersEnded());
        auto all = Http->Requests();
        return {all.begin() + static_cast<std::ptrdiff_t>(RequestsBefore), all.end()};
    }
};

} // namespace

TEST_F(LocalInfoTest, TheReplyArrivesOnlyThroughTheUserInterfaceThread) {
    Http->SetReply(kLookup, "IP=203.0.113.5\r\nCOUNTRY_SHORT=DE\r\nCITY=Berlin\r\n");
    Pool->GetCurrentLocalInfo();
    EXPECT_EQ(NewRequests(), std::vector<std::string>{kLookup});
    EXPECT_EQ(Events, 0);
    EXPECT_TRUE(Pool->LocalInfo().empty());
    ASSERT_EQ(Ui->Pump(1), 1u);
    EXPECT_EQ(Events, 1);
    EXPECT_EQ(Pool->LocalInfo(),
              (std::vector<std::string>{"IP=203.0.113.5", "COUNTRY_SHORT=DE", "CITY=Berlin"}));
}

TEST_F(LocalInfoTest, AnEmptyMagicWordStillSendsTheParameter) {
    Set("App.MagicWord", "");
    Pool->GetCurrentLocalInfo();
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"http://127.0.0.1:8/info?MagicWord="});
}

TEST_F(LocalInfoTest, LineEndsOfEveryKindGiveTheSameLines) {
    struct TCase {
        const char* Reply;
        std::vector<std::string> Lines;
    };
    const TCase cases[] = {
        {"A=1\r\nB=2\r\n", {"A=1", "B=2"}},
        {"A=1\nB=2\n", {"A=1", "B=2"}},
        {"A=1\rB=2", {"A=1", "B=2"}},
        {"A=1\r\n\r\nB=2\n\n", {"A=1", "", "B=2", ""}},
        {"\n", {""}},
    };
    for (const TCase& c : cases) {
        Pool->HandleLocalInfo(c.Reply);
        EXPECT_EQ(Pool->LocalInfo(), c.Lines) << c.Reply;
    }
    EXPECT_EQ(Events, static_cast<int>(std::size(cases)));
}

TEST_F(LocalInfoTest, AFailedOrEmptyReplyChangesNothingAndIsTold) {
    Pool->HandleLocalInfo("IP=1.2.3.4");
    Events = 0;
    Pool->GetCurrentLocalInfo(); // no canned reply: the request fails
    EXPECT_EQ(NewRequests().size(), 1u);
    ASSERT_EQ(Ui->Pump(1), 1u);
    EXPECT_EQ(Failures, 1) << "the failure alone is handed over";

    Http->SetReply(kLookup, "");
    Pool->GetCurrentLocalInfo();
    ASSERT_EQ(Ui->Pump(1), 1u);
    EXPECT_EQ(Events, 0);
    EXPECT_EQ(Failures, 2);
    // A country code goes into a flag file's path: one that is not two letters is no answer.
    Http->SetReply(kLookup, "IP=5.6.7.8\r\nCOUNTRY_SHORT=..\\x\r\n");
    Pool->GetCurrentLocalInfo();
    ASSERT_EQ(Ui->Pump(1), 1u);
    EXPECT_EQ(Events, 0);
    EXPECT_EQ(Failures, 3);
    EXPECT_EQ(Pool->LocalInfo(), std::vector<std::string>{"IP=1.2.3.4"});
}

TEST_F(LocalInfoTest, OfTwoLookupsInFlightTheLastHandedOverWins) {
    // Both replies wait for the user-interface thread before either is handed over.
    Http->SetReply(kLookup, "IP=first");
    Pool->GetCurrentLocalInfo();
    NewRequests();
    Http->SetReply(kLookup, "IP=second");
    Pool->GetCurrentLocalInfo();
    NewRequests();
    ASSERT_EQ(Ui->Pump(1), 1u);
    EXPECT_EQ(Pool->LocalInfo(), std::vector<std::string>{"IP=first"});
    ASSERT_EQ(Ui->Pump(1), 1u);
    EXPECT_EQ(Events, 2);
    EXPECT_EQ(Pool->LocalInfo(), std::vector<std::string>{"IP=second"});
}

TEST_F(LocalInfoTest, AReplyForADestroyedPoolIsDropped) {
    Http->SetReply(kLookup, "IP=late");
    Pool->GetCurrentLocalInfo();
    NewRequests();
    Pool.reset();
    EXPECT_EQ(Ui->Pump(1), 1u);
    EXPECT_EQ(Events, 0);
}

TEST_F(LocalInfoTest, TouchPutsTheAddressIntoEveryPlaceholderAndIgnoresTheReply) {
    struct TCase {
        const char* Template;
        const char* Url;
    };
    const TCase cases[] = {
        {"http://127.0.0.1:8/t?ip={1}&again={1}", "http://127.0.0.1:8/t?ip=192.0.2.9&again=192.0.2.9"},
        {"http://127.0.0.1:8/t?fixed", "http://127.0.0.1:8/t?fixed"},
    };
    for (const TCase& c : cases) {
        Set("SUPER_TOUCH", c.Template);
        Http->SetReply(c.Url, "IP=not-for-the-pool");
        RequestsBefore = Http->Requests().size();
        Pool->Touch(TProxyRec{"192.0.2.9", "443", "DE", "Germany", "1", "2", true});
        EXPECT_EQ(NewRequests(), std::vector<std::string>{c.Url});
        ASSERT_EQ(Ui->Pump(1), 1u);
    }
    EXPECT_EQ(Events, 0);
    EXPECT_TRUE(Pool->LocalInfo().empty());
}

TEST_F(LocalInfoTest, WithoutAnHttpClientNothingIsStarted) {
    TPlatform withoutHttp = P.Facilities;
    withoutHttp.Http = nullptr;
    TProxyManager pool(withoutHttp, Settings());
    pool.GetCurrentLocalInfo();
    pool.Touch({});
    EXPECT_TRUE(P.WorkersEnded());
    EXPECT_EQ(Ui->Pump(1, 0ms), 0u);
    EXPECT_EQ(Http->Requests().size(), RequestsBefore);
}
