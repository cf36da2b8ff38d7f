// The direct HTTP client, the hand-over to the user-interface thread, the IP lookup
// and the keep-alive request against real WinINet and a real server on 127.0.0.1.
#include "PoolWinSupport.h"
#include "TestHttpServer.h"

#include <thread>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// Lets a request that must not reach anybody finish failing before the test looks.
constexpr DWORD kQuietMs = 1500;

std::string Target(const std::string& head) {
    const size_t start = head.find(' ') + 1;
    return head.substr(start, head.find(' ', start) - start);
}

} // namespace

TEST(DirectHttpWinTest, RepliesFailuresAndBadAddresses) {
    TTestHttpServer server;
    // Read whole up to the cap, in several reads; one byte more is no reply.
    std::string big(IDirectHttp::kReplyLimit, 'x');
    for (size_t i = 0; i < big.size(); i += 1000)
        big[i] = '\n';
    server.SetReply("/text", {200, "IP=203.0.113.5\r\nCITY=Z\xC3\xBCrich\r\n"});
    server.SetReply("/big", {200, big});
    server.SetReply("/toobig", {200, big + "x"});
    server.SetReply("/empty", {200, ""});
    server.SetReply("/gone", {410, "gone"});
    uint16_t downPort = 0;
    {
        TTestHttpServer down;
        downPort = down.Port();
    }
    struct TCase {
        std::string Url;
        std::optional<std::string> Expected;
    };
    const TCase cases[] = {
        {server.Url("/text?MagicWord=a%20b&x=1"), "IP=203.0.113.5\r\nCITY=Z\xC3\xBCrich\r\n"},
        {server.Url("/big"), big},
        {server.Url("/toobig"), std::nullopt},
        {server.Url("/empty"), ""},
        {server.Url("/missing"), std::nullopt},
        {server.Url("/gone"), std::nullopt},
        {"http://127.0.0.1:" + std::to_string(downPort) + "/text", std::nullopt},
        {"not a url", std::nullopt},
        {"", std::nullopt},
    };
    TDirectHttpWin http;
    for (const TCase& c : cases)
        EXPECT_EQ(http.Get(c.Url), c.Expected) << c.Url;
    ASSERT_FALSE(server.Requests().empty());
    EXPECT_EQ(Target(server.Requests().front()), "/text?MagicWord=a%20b&x=1") << "the query goes as given";
}

TEST(UiDispatcherWinTest, TasksFromWorkersRunOnTheOwningThreadInOrder) {
    TUiDispatcherWin ui;
    std::vector<int> ran;
    std::vector<DWORD> threads;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            EXPECT_TRUE(ui.Post([&, i] {
                ran.push_back(i);
                threads.push_back(GetCurrentThreadId());
                if (i == 10) throw std::runtime_error("a failing task stays contained");
            }));
    });
    worker.join();
    EXPECT_TRUE(ran.empty()) << "nothing runs before the loop turns";
    ASSERT_TRUE(PumpUntil([&] { return ran.size() == 50; }, 10000));
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(ran[static_cast<size_t>(i)], i);
    for (DWORD thread : threads)
        EXPECT_EQ(thread, GetCurrentThreadId());
}

TEST(UiDispatcherWinTest, TasksLeftWhenItIsDestroyedAreFreedWithoutRunning) {
    auto token = std::make_shared<int>(0);
    bool ran = false;
    {
        TUiDispatcherWin ui;
        ASSERT_TRUE(ui.Post([token, &ran] { ran = true; }));
        EXPECT_EQ(token.use_count(), 2);
    }
    EXPECT_EQ(token.use_count(), 1);
    DrainMessages();
    EXPECT_FALSE(ran);
}

class LookupWinTest : public PoolWinTest {
protected:
    TTestHttpServer Server;

    void SetUp() override {
        PoolWinTest::SetUp();
        Set("URL.GetInfo", Server.Url("/info"));
        Set("App.MagicWord", "w0rd");
    }
};

TEST_F(LookupWinTest, TheReplyReachesThePoolOnTheUserInterfaceThread) {
    Server.SetReply("/info",
                    {200, "IP=203.0.113.5\r\nCOUNTRY_SHORT=DE\r\nCOUNTRY_LONG=Germany\r\nCITY=Berlin\r\n"});
    Pool->GetCurrentLocalInfo();
    ASSERT_TRUE(WaitForEvents(1));
    EXPECT_EQ(EventThread, GetCurrentThreadId());
    EXPECT_EQ(Pool->LocalInfo(), (std::vector<std::string>{"IP=203.0.113.5", "COUNTRY_SHORT=DE",
                                                           "COUNTRY_LONG=Germany", "CITY=Berlin"}));
    ASSERT_EQ(Server.Requests().size(), 1u);
    EXPECT_EQ(Target(Server.Requests()[0]), "/info?MagicWord=w0rd");
}

TEST_F(LookupWinTest, CrLfAndLfRepliesGiveTheSameLines) {
    Server.SetReply("/crlf", {200, "IP=1.2.3.4\r\nCITY=X\r\n6\r\n7\r\n"});
    Server.SetReply("/lf", {200, "IP=1.2.3.4\nCITY=X\n6\n7\n"});
    Set("URL.GetInfo", Server.Url("/crlf"));
    Pool->GetCurrentLocalInfo();
    ASSERT_TRUE(WaitForEvents(1));
    const std::vector<std::string> fromCrLf = Pool->LocalInfo();
    Set("URL.GetInfo", Server.Url("/lf"));
    Pool->GetCurrentLocalInfo();
    ASSERT_TRUE(WaitForEvents(2));
    EXPECT_EQ(Pool->LocalInfo(), fromCrLf);
    EXPECT_EQ(fromCrLf.size(), 4u);
}

TEST_F(LookupWinTest, AServerThatIsDownOrRepliesEmptyRaisesNothing) {
    Pool->HandleLocalInfo("IP=known");
    Events = 0;
    Server.SetReply("/info", {200, ""});
    Pool->GetCurrentLocalInfo();
    ASSERT_TRUE(Server.WaitForRequests(1, 20000));
    {
        TTestHttpServer down;
        Set("URL.GetInfo", down.Url("/info"));
    }
    Pool->GetCurrentLocalInfo();
    EXPECT_FALSE(WaitForEvents(1, kQuietMs));
    EXPECT_EQ(Pool->LocalInfo(), std::vector<std::string>{"IP=known"});
}

TEST_F(LookupWinTest, TwoLookupsRaiseTwoEventsAndThePoolMayGoFirst) {
    Server.SetReply("/info", {200, "IP=again"});
    Pool->GetCurrentLocalInfo();
    Pool->GetCurrentLocalInfo();
    ASSERT_TRUE(WaitForEvents(2));
    EXPECT_EQ(Pool->LocalInfo(), std::vector<std::string>{"IP=again"});

    // A reply for a pool that is gone is dropped on the user-interface thread.
    Pool->GetCurrentLocalInfo();
    ASSERT_TRUE(Server.WaitForRequests(3, 20000));
    Pool.reset();
    EXPECT_FALSE(WaitForEvents(3, kQuietMs));
}

TEST_F(LookupWinTest, TouchRequestsTheTemplateWithTheAddressInEveryPlaceholder) {
    Server.SetReply("/touch", {200, "IP=not-for-the-pool"});
    const TProxyRec super{"192.0.2.9", "443", "DE", "Germany", "1", "2", true};
    Set("SUPER_TOUCH", Server.Url("/touch?ip={1}&again={1}"));
    Pool->Touch(super);
    ASSERT_TRUE(Server.WaitForRequests(1, 20000));
    Set("SUPER_TOUCH", Server.Url("/touch?fixed"));
    Pool->Touch(super);
    ASSERT_TRUE(Server.WaitForRequests(2, 20000));
    const auto requests = Server.Requests();
    EXPECT_EQ(Target(requests[0]), "/touch?ip=192.0.2.9&again=192.0.2.9");
    EXPECT_EQ(Target(requests[1]), "/touch?fixed");
    EXPECT_FALSE(WaitForEvents(1, 300)) << "the reply is ignored";
    EXPECT_TRUE(Pool->LocalInfo().empty());
}
