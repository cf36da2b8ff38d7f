// The real maskaddr-service on 127.0.0.1, asked over real HTTP, with real tinyproxy
// instances on other loopback addresses for the health checks. Nothing leaves 127.0.0.0/8.
#include "service/Postgres.h"
#include "service/ServiceFixture.h"
#include "service/TinyProxy.h"

#include "base/Text.h"
#include "framework/engine/UpdateCheck.h"
#include "framework/engine/UrlTools.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>

using namespace maskaddr::service;
using namespace maskaddr::test;

namespace {

TEST_F(ServiceHttp, UpdateServesOnlyTheProxyThatHides) {
    TTinyProxy good("127.0.0.2", "127.0.0.2");
    TTinyProxy unhidden("127.0.0.3", ""); // connects out from 127.0.0.1: the client's own address
    TTinyProxy leaky("127.0.0.4", "127.0.0.4", "XTinyproxy Yes");
    ASSERT_TRUE(good.Running() && unhidden.Running() && leaky.Running());
    int dead = maskaddr::test::FreePort("127.0.0.5");
    Start(ProxyLine("127.0.0.2", good.Port()) + ProxyLine("127.0.0.3", unhidden.Port()) +
          ProxyLine("127.0.0.4", leaky.Port(), "super") + ProxyLine("127.0.0.5", dead, "super") +
          ProxyLine("192.0.2.1", 8080));

    std::vector<TInventoryProxy> live = FService->LiveProxies();
    ASSERT_EQ(live.size(), 1u) << LogText();
    EXPECT_EQ(live[0].IP, "127.0.0.2");

    auto r = Get(kUpdateQuery);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200);
    const std::string base = "http://127.0.0.1:" + std::to_string(FService->Port());
    EXPECT_EQ(Value(r->body, "__MODIFY__.NORMAL_IPS"),
              "127.0.0.2:" + std::to_string(good.Port()) + "|Germany|DE|13.40|52.52");
    EXPECT_EQ(Value(r->body, "__MODIFY__.SUPER_IPS"), "");
    EXPECT_EQ(Value(r->body, "__MODIFY__.SUPER_TOUCH"), base + "/touch?ip={1}");
    EXPECT_EQ(Value(r->body, "__MODIFY__.URL.GetInfo"), base + "/getinfo");
    EXPECT_EQ(Value(r->body, "__MODIFY__.URL.CheckIP"), base + "/checkip");
    EXPECT_EQ(Value(r->body, "__MODIFY__.URL.VerifyIP"), base + "/verifyip");
    EXPECT_EQ(Value(r->body, "__MODIFY__.URL.FlagPath"), base + "/flags/");
    for (const char* page : {"home", "help", "support"})
        EXPECT_EQ(Value(r->body, std::string("__MODIFY__.URL.") + page), base + "/" + page);

    // The health results were logged with their reasons and latency.
    const std::string log = LogText();
    EXPECT_NE(log.find("health 127.0.0.2:" + std::to_string(good.Port()) + " live in "), std::string::npos)
        << log;
    EXPECT_NE(log.find("health 127.0.0.3:" + std::to_string(unhidden.Port()) +
                       " dead: the service saw its own address"),
              std::string::npos)
        << log;
    EXPECT_NE(
        log.find("health 127.0.0.4:" + std::to_string(leaky.Port()) + " dead: it adds the forwarding header"),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("health 127.0.0.5:" + std::to_string(dead) + " dead: cannot connect"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("health 192.0.2.1:8080 dead: outside 127.0.0.0/8, not contacted"), std::string::npos)
        << log;
    // The good proxy really carried the check request.
    EXPECT_NE(good.Log().find("checkip"), std::string::npos) << good.Log();
}

TEST_F(ServiceHttp, AProxyThatStopsIsDroppedAtTheNextRound) {
    auto proxy = std::make_unique<TTinyProxy>("127.0.0.2", "127.0.0.2");
    ASSERT_TRUE(proxy->Running());
    const int port = proxy->Port();
    Start(ProxyLine("127.0.0.2", port, "super"));
    ASSERT_EQ(FService->LiveProxies().size(), 1u) << LogText();
    EXPECT_EQ(Value(Get(kUpdateQuery)->body, "__MODIFY__.SUPER_IPS"),
              "127.0.0.2:" + std::to_string(port) + "|Germany|DE|13.40|52.52");

    const std::string before = Get(kUpdateQuery)->body;

    proxy.reset();
    FService->CheckHealthNow();
    EXPECT_TRUE(FService->LiveProxies().empty());
    const std::string after = Get(kUpdateQuery)->body;
    EXPECT_EQ(Value(after, "__MODIFY__.SUPER_IPS"), "");
    EXPECT_GT(Serial(after), Serial(before)) << "signed again";

    TTinyProxy back("127.0.0.2", "127.0.0.2"); // another port: the inventory's proxy stays dead
    FService->CheckHealthNow();
    EXPECT_TRUE(FService->LiveProxies().empty());
    EXPECT_EQ(FService->HealthRounds(), 3);
}

// Every reply is signed: its last line verifies with the public key over all bytes before it.
TEST_F(ServiceHttp, ResultIsOneOnlyForOlderVersionsAndEveryReplyIsSigned) {
    Start("", "1.0.0.0");
    const std::optional<std::string> publicKey =
        ReadP256PublicKey(std::string(MASKADDR_SOURCE_DIR) + "/keys/update-signing.dev.pub.pem");
    ASSERT_TRUE(publicKey);
    struct TCase {
        const char* Ver;
        const char* Result;
    };
    for (TCase c :
         {TCase{"00FFFFFF", "1"}, TCase{"01000000", "0"}, TCase{"01000001", "0"}, TCase{"0a000000", "0"}}) {
        std::string target = kUpdateQuery;
        target.replace(target.find("VER=01000000"), 12, std::string("VER=") + c.Ver);
        auto r = Get(target);
        ASSERT_TRUE(r);
        ASSERT_EQ(r->status, 200);
        std::vector<std::string> lines = maskaddr::SplitLines(r->body);
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[0], "magicword=maskaddr-7c1e");
        EXPECT_EQ(lines[3], std::string("Result=") + c.Result) << c.Ver; // after issued= and serial=
        EXPECT_EQ(Value(r->body, "info"), c.Result[0] == '1' ? "New version" : "<missing>");
        EXPECT_EQ(Value(r->body, "page"), c.Result[0] == '1' ? "http://127.0.0.1:1/download" : "<missing>");
        EXPECT_EQ(Value(r->body, "__MODIFY__.NORMAL_IPS"), ""); // an empty inventory lists nothing
        const std::optional<maskaddr::TSignedReply> signedReply = maskaddr::SplitSignedReply(r->body);
        ASSERT_TRUE(signedReply) << r->body;
        EXPECT_EQ(signedReply->Body + "signature=" + maskaddr::Base64Encode(signedReply->Signature) + "\r\n",
                  r->body);
        EXPECT_TRUE(VerifyEcdsaP256(*publicKey, signedReply->Body, signedReply->Signature)) << c.Ver;
    }
}

TEST_F(ServiceHttp, LookupTellsThePeerAndItsCountry) {
    TTinyProxy good("127.0.0.2", "127.0.0.2");
    ASSERT_TRUE(good.Running());
    Start("");
    auto r = Get("/getinfo?MagicWord=maskaddr-7c1e");
    ASSERT_TRUE(r);
    std::vector<std::string> lines = maskaddr::SplitLines(r->body);
    ASSERT_EQ(lines.size(), 7u) << r->body;
    EXPECT_EQ(lines[0], "IP=127.0.0.1");
    EXPECT_EQ(lines[1], "COUNTRY_SHORT=US");
    EXPECT_EQ(lines[2], "COUNTRY_LONG=United States");
    EXPECT_EQ(lines[3], "CITY=Springfield");
    EXPECT_NE(lines[4].find('='), std::string::npos);
    EXPECT_EQ(std::stod(lines[5]), 38.0);
    EXPECT_EQ(std::stod(lines[6]), -97.0);

    // Through the proxy that connects out from 127.0.0.2 the service sees another country.
    httplib::Client viaProxy("127.0.0.1", FService->Port());
    viaProxy.set_proxy("127.0.0.2", good.Port());
    auto p = viaProxy.Get("/getinfo?MagicWord=maskaddr-7c1e");
    ASSERT_TRUE(p);
    EXPECT_EQ(Value(p->body, "IP"), "127.0.0.2");
    EXPECT_EQ(Value(p->body, "COUNTRY_SHORT"), "DE");

    for (const char* wrong :
         {"/getinfo?MagicWord=", "/getinfo?MagicWord=MASKADDR-7C1E", "/getinfo?MagicWord=x"}) {
        auto w = Get(wrong);
        ASSERT_TRUE(w);
        EXPECT_EQ(w->status, 200) << wrong;
        EXPECT_EQ(w->body, "") << wrong;
    }
}

// A keep-alive is a GET, counted once a minute at most per client address and proxy.
TEST_F(ServiceHttp, KeepAliveIsCountedPerProxyOnceAMinutePerClient) {
    // The test's two proxies, listed at ports it picked free where nothing listens (the counts do
    // not depend on their health), an address it never lists, and its two clients, which bind
    // their own addresses with ports the system picks.
    const std::string proxyA = "127.0.0.2", proxyB = "127.0.0.3", unlisted = "127.0.0.9";
    const std::string clientA = "127.0.0.1", clientB = "127.0.0.4";
    Start(ProxyLine(proxyA, FreePort(proxyA), "super") + ProxyLine(proxyB, FreePort(proxyB), "super"));
    struct TCase {
        std::string Request;
        const std::string& From;
        int Status;
    };
    const TCase cases[] = {
        {"GET /touch?ip=" + proxyA, clientA, 200},
        {"GET /touch?ip=" + proxyA, clientA, 429},
        {"HEAD /touch?ip=" + proxyA, clientB, 405},
        {"GET /touch?ip=" + proxyA, clientB, 200},
        {"GET /touch?ip=" + proxyB, clientA, 200},
        {"GET /touch?ip=" + unlisted, clientA, 404},
        {"GET /touch", clientA, 400},
    };
    for (const TCase& c : cases) {
        TRawClient client(FService->Port(), c.From.c_str());
        client.Send(c.Request + " HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(Statuses(client.ReadToEnd()), std::vector<int>{c.Status})
            << c.Request << " from " << c.From;
    }
    EXPECT_EQ(FService->TouchCount(proxyA), 2);
    EXPECT_EQ(FService->TouchCount(proxyB), 1);
    EXPECT_EQ(FService->TouchCount(unlisted), 0);
}

TEST_F(ServiceHttp, FlagsAndPages) {
    Start("");
    std::ifstream png(std::string(MASKADDR_SOURCE_DIR) + "/res/flag_short/DE.PNG", std::ios::binary);
    std::string expected((std::istreambuf_iterator<char>(png)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(expected.empty());
    for (const char* path : {"/flags/DE.PNG", "/flags/de.png"}) {
        auto r = Get(path);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200) << path;
        EXPECT_EQ(r->get_header_value("Content-Type"), "image/png");
        EXPECT_EQ(r->body, expected) << path;
    }
    for (const char* path : {"/flags/XQ.PNG", "/flags/DEU.PNG", "/flags/../const.dat", "/flags/D.PNG"})
        EXPECT_EQ(Get(path)->status, 404) << path;
    const std::string absolute = "http://127.0.0.1:" + std::to_string(FService->Port()) + "/help";
    for (std::string path : {"/", "/home", "/help", "/support", absolute.c_str()}) {
        auto r = Get(path);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200) << path;
        EXPECT_NE(r->body.find("<h1>"), std::string::npos) << path;
    }
}

TEST_F(ServiceHttp, CheckPageShowsAddressCountryAndHeaders) {
    Start("");
    httplib::Client client("127.0.0.1", FService->Port());
    auto r = client.Get("/checkip", {{"X-Probe", "<b>seen</b>"}});
    ASSERT_TRUE(r);
    EXPECT_NE(r->body.find("<span id=\"ip\">127.0.0.1</span>"), std::string::npos) << r->body;
    EXPECT_NE(r->body.find("United States (US)"), std::string::npos);
    EXPECT_NE(r->body.find("<th>X-Probe</th><td>&lt;b&gt;seen&lt;/b&gt;</td>"), std::string::npos) << r->body;
    auto t = client.Get("/checkip?format=text", {{"X-Probe", "yes"}});
    ASSERT_TRUE(t);
    EXPECT_EQ(Value(t->body, "IP"), "127.0.0.1");
    EXPECT_NE(t->body.find("HEADER=X-Probe: yes"), std::string::npos);
}

// Through a proxy that passes the client on, the check names the proxy's address, its
// country and the forwarding header, and no other header.
TEST_F(ServiceHttp, VerifyCheckListsTheForwardingHeadersOnly) {
    TTinyProxy leaky("127.0.0.4", "127.0.0.4", "XTinyproxy Yes");
    ASSERT_TRUE(leaky.Running());
    Start("");
    httplib::Client client("127.0.0.1", FService->Port());
    client.set_proxy("127.0.0.4", leaky.Port());
    auto r = client.Get("/verifyip", {{"X-Probe", "127.0.0.1"}});
    ASSERT_TRUE(r);
    EXPECT_EQ(Value(r->body, "IP"), "127.0.0.4") << r->body;
    EXPECT_EQ(Value(r->body, "X-Tinyproxy"), "127.0.0.1") << r->body;
    EXPECT_EQ(Value(r->body, "X-Probe"), "<missing>") << "not a forwarding header";
    EXPECT_EQ(Value(r->body, "Host"), "<missing>");
}

TEST_F(ServiceHttp, BadInputGetsAClearClientError) {
    Start("");
    struct TCase {
        std::string Target;
        int Status;
        const char* Text;
    };
    std::string noVer = kUpdateQuery;
    noVer.replace(noVer.find("&VER=01000000"), 13, "");
    const TCase cases[] = {
        {"/nothing-here", 404, "no such page"},
        {"/update", 400, "missing ACTION"},
        {"/update?ACTION=Update", 400, "time stamp"},
        {noVer, 400, "missing parameter VER"},
        {"/getinfo", 400, "MagicWord"},
        {"/update?" + std::string(3000, 'A'), 414, "longer than"},
        {"/getinfo?MagicWord=" + std::string(6000, '%'), 414, ""},
        {"/%ZZ%00", 404, ""},
    };
    for (const TCase& c : cases) {
        auto r = Get(c.Target);
        ASSERT_TRUE(r) << c.Target.substr(0, 40);
        EXPECT_EQ(r->status, c.Status) << c.Target.substr(0, 40);
        EXPECT_NE(r->body.find(c.Text), std::string::npos) << r->body;
    }
    // A request far beyond every limit, then a normal one: the service is still there.
    auto huge = Get("/update?" + std::string(20000, 'B'));
    if (huge) {
        EXPECT_GE(huge->status, 400);
    }
    auto after = Get("/home");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
    // One log line per request.
    EXPECT_NE(LogText().find("127.0.0.1 GET /nothing-here 404"), std::string::npos) << LogText();
}

TEST_F(ServiceHttp, OversizedRequestsGetTheirOwnAnswer) {
    Start("", "1.2.0.0", [](TServiceConfig& c) {
        c.Limits.MaxHead = 8192;
        c.Limits.MaxHeaders = 20;
        c.Limits.MaxBody = 1000;
    });
    struct TCase {
        const char* Name;
        std::string Request;
        int Status;
        const char* Text;
    };
    std::string manyHeaders, bigHeaders;
    for (int i = 0; i < 30; ++i)
        manyHeaders += "X-H" + std::to_string(i) + ": v\r\n";
    for (int i = 0; i < 4; ++i)
        bigHeaders += "X-Big" + std::to_string(i) + ": " + std::string(3000, 'b') + "\r\n";
    const TCase cases[] = {
        {"request line", "GET /home?" + std::string(20000, 'a') + " HTTP/1.1\r\nHost: h\r\n\r\n", 414, ""},
        {"header count", "GET /home HTTP/1.1\r\nHost: h\r\n" + manyHeaders + "\r\n", 431, "header lines"},
        {"header size", "GET /home HTTP/1.1\r\nHost: h\r\n" + bigHeaders + "\r\n", 431, ""},
        {"declared body", "GET /home HTTP/1.1\r\nHost: h\r\nContent-Length: 400000000\r\n\r\n", 413,
         "larger than 1000"},
        {"chunked body",
         "GET /home HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n800\r\n" +
             std::string(2048, 'c') + "\r\n",
         411, "Content-Length"},
        {"method", "POST /update HTTP/1.1\r\nHost: h\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", 405,
         "only GET"},
    };
    for (const TCase& c : cases) {
        TRawClient client(FService->Port());
        ASSERT_TRUE(client.Connected());
        client.Send(c.Request);
        std::string reply = client.ReadToEnd();
        EXPECT_EQ(Statuses(reply), std::vector<int>{c.Status}) << c.Name << ": " << reply.substr(0, 200);
        EXPECT_NE(reply.find(c.Text), std::string::npos) << c.Name << ": " << reply;
    }
    EXPECT_EQ(Get("/home")->status, 200);
}

TEST_F(ServiceHttp, PipelinedRequestsAreAllAnswered) {
    Start("");
    TRawClient client(FService->Port());
    client.Send("GET /home HTTP/1.1\r\nHost: h\r\n\r\nGET /nothing HTTP/1.1\r\nHost: h\r\n\r\n"
                "GET /help HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(Statuses(client.ReadToEnd()), (std::vector<int>{200, 404, 200}));
}

TEST_F(ServiceHttp, ABodyThatArrivesLateBelongsToItsRequest) {
    Start("");
    TRawClient client(FService->Port());
    const std::string late = "GET /touch HTTP/1.1\r\n\r\n"; // would be a 400 if run as a request
    client.Send("GET /home HTTP/1.1\r\nHost: h\r\nContent-Length: " + std::to_string(late.size()) +
                "\r\n\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    client.Send(late + "GET /help HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(Statuses(client.ReadToEnd()), (std::vector<int>{200, 200}));
    EXPECT_EQ(LogText().find("GET /touch"), std::string::npos) << LogText();
}

// Slow and silent clients cost the others nothing, and are cut when their time is up.
TEST_F(ServiceHttp, SlowAndSilentConnectionsAreCut) {
    Start("", "1.2.0.0", [](TServiceConfig& c) {
        c.Limits.RequestTimeout = 1;
        c.Limits.IdleTimeout = 1;
    });
    std::vector<std::unique_ptr<TRawClient>> slow, silent;
    for (int i = 0; i < 20; ++i) {
        slow.push_back(std::make_unique<TRawClient>(FService->Port(), "127.0.0.3"));
        slow.back()->Send("GET /ho");
        silent.push_back(std::make_unique<TRawClient>(FService->Port(), "127.0.0.4"));
    }
    auto r = Get("/home");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    // The slow ones go on sending a byte now and then; within 5 s every one is cut.
    for (int tick = 0; tick < 25 && !slow.front()->ClosedByServer(); ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        for (auto& c : slow)
            c->Send("m");
    }
    for (auto* group : {&slow, &silent})
        for (auto& c : *group)
            EXPECT_EQ(c->ReadToEnd(), "");
    EXPECT_NE(LogText().find("127.0.0.3 closed by the server: no whole request within 1 s"),
              std::string::npos)
        << LogText();
}

TEST_F(ServiceHttp, ConnectionsPerAddressAreCapped) {
    Start("", "1.2.0.0", [](TServiceConfig& c) { c.Limits.MaxPerAddress = 4; });
    std::vector<std::unique_ptr<TRawClient>> held;
    for (int i = 0; i < 4; ++i)
        held.push_back(std::make_unique<TRawClient>(FService->Port(), "127.0.0.3"));
    TRawClient fifth(FService->Port(), "127.0.0.3");
    EXPECT_EQ(fifth.ReadToEnd(), "");
    auto r = Get("/home"); // another address
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
}

// While the service cannot take connections, its proxies seem dead; the round must not
// empty the served list then (an empty round that the direct check confirms counts: see
// AProxyThatStopsIsDroppedAtTheNextRound).
TEST_F(ServiceHttp, ARoundThatReachesNothingKeepsTheListWhileTheServiceIsStalled) {
    TTinyProxy proxy("127.0.0.2", "127.0.0.2");
    ASSERT_TRUE(proxy.Running());
    Start(ProxyLine("127.0.0.2", proxy.Port()), "1.2.0.0", [](TServiceConfig& c) {
        c.HealthTimeout = 1;
        c.Limits.Threads = 1;
        c.Limits.MaxConnections = 4;
    });
    ASSERT_EQ(FService->LiveProxies().size(), 1u) << LogText();
    {
        std::vector<std::unique_ptr<TRawClient>> hogs;
        for (int i = 0; i < 4; ++i)
            hogs.push_back(std::make_unique<TRawClient>(FService->Port(), "127.0.0.3"));
        FService->CheckHealthNow();
        EXPECT_EQ(FService->LiveProxies().size(), 1u) << LogText();
        EXPECT_NE(LogText().find("does not answer directly either: keeping the 1 live proxies"),
                  std::string::npos)
            << LogText();
    }
}

TEST_F(ServiceHttp, OnlyTheTrustedFrontNamesTheClient) {
    Start("", "1.2.0.0", [](TServiceConfig& c) { c.TrustedFront = "127.0.0.3"; });
    struct TCase {
        const char* From;
        const char* Named; // by X-Real-IP
        const char* Seen;
    };
    // Only one whole address names the client; else the request stays the front's own.
    const TCase cases[] = {
        {"127.0.0.3", "127.0.0.2", "127.0.0.2"},
        {"127.0.0.4", "127.0.0.2", "127.0.0.4"},
        {"127.0.0.3", "::1", "::1"},
        {"127.0.0.3", "127.0.0.2, 127.0.0.5", "127.0.0.3"},
        {"127.0.0.3", "127.0.0.256", "127.0.0.3"},
        {"127.0.0.3", "", "127.0.0.3"},
    };
    for (const TCase& c : cases) {
        TRawClient client(FService->Port(), c.From);
        client.Send("GET /getinfo?MagicWord=maskaddr-7c1e HTTP/1.1\r\nHost: h\r\nX-Real-IP: " +
                    std::string(c.Named) + "\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(Value(client.ReadToEnd(), "IP"), c.Seen) << c.From << " naming " << c.Named;
    }
    EXPECT_NE(LogText().find("127.0.0.3 X-Real-IP 127.0.0.256 not used"), std::string::npos) << LogText();
}

// Instances behind a load balancer share one PostgreSQL database: one checks the proxies,
// every one serves the same lists, and a keep-alive counted by one is seen by the other.
TEST_F(ServiceHttp, TwoInstancesShareTheirStateInPostgreSQL) {
    maskaddr::test::TPostgres postgres;
    ASSERT_TRUE(postgres.Running()) << postgres.Log();
    TTinyProxy proxy("127.0.0.2", "127.0.0.2");
    ASSERT_TRUE(proxy.Running());
    Start(ProxyLine("127.0.0.2", proxy.Port()) + ProxyLine("127.0.0.3", 8888, "super"), "1.2.0.0",
          [&](TServiceConfig& c) { c.Database = postgres.Address(); });
    TServiceConfig second = FConfig;
    second.HealthChecker = false;
    second.Inventory = "/nonexistent"; // it serves the checking instance's inventory
    std::unique_ptr<TService> other;
    Launch(second, other);

    auto fromOther = [&](const std::string& target) {
        httplib::Client client("127.0.0.1", other->Port());
        return client.Get(target.c_str());
    };
    auto a = Get(kUpdateQuery);
    auto b = fromOther(kUpdateQuery);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(Value(b->body, "__MODIFY__.NORMAL_IPS"),
              "127.0.0.2:" + std::to_string(proxy.Port()) + "|Germany|DE|13.40|52.52");
    for (const char* list : {"__MODIFY__.NORMAL_IPS", "__MODIFY__.SUPER_IPS"})
        EXPECT_EQ(Value(a->body, list), Value(b->body, list)) << list;
    // One counter for both: the second instance signed later, with the next number.
    EXPECT_GT(Serial(b->body), Serial(a->body));

    // A client's minute is one for both instances.
    ASSERT_EQ(fromOther("/touch?ip=127.0.0.3")->status, 200);
    EXPECT_EQ(Get("/touch?ip=127.0.0.3")->status, 429);
    TRawClient another(FService->Port(), "127.0.0.6");
    another.Send("GET /touch?ip=127.0.0.3 HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(Statuses(another.ReadToEnd()), std::vector<int>{200});
    EXPECT_EQ(FService->TouchCount("127.0.0.3"), 2);
    EXPECT_EQ(other->TouchCount("127.0.0.3"), 2);
    other.reset();
}

} // namespace
