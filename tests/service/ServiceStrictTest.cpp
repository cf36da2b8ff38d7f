// What the real maskaddr-service refuses before any route runs (request heads that servers on
// the way could read otherwise) and at start (an address beyond loopback without PublicURL).
#include "service/ServiceFixture.h"

#include <gtest/gtest.h>

using namespace maskaddr::service;
using namespace maskaddr::test;

namespace {

// Each gets one 400 (or 413) and the connection closed; what a head like that could hide (a
// keep-alive here) is never served.
TEST_F(ServiceHttp, BrokenHeadsGetOneRefusalAndTheConnectionCloses) {
    Start(ProxyLine("127.0.0.2", 8888));
    const std::string hidden = "GET /touch?ip=127.0.0.2 HTTP/1.1\r\nHost: h\r\n\r\n";
    const std::string length = std::to_string(hidden.size());
    struct TCase {
        const char* Name;
        std::string Head;
        int Status;
        const char* Text;
    };
    const TCase cases[] = {
        {"conflicting lengths", "Content-Length: 0\r\nContent-Length: " + length, 400, "given 2 times"},
        {"a repeated length", "Content-Length: " + length + "\r\nContent-Length: " + length, 400,
         "given 2 times"},
        {"a blank before a colon", "Content-Length : " + length, 400, "blank before the colon"},
        {"a tab before a colon", "Transfer-Encoding\t: chunked", 400, "blank before the colon"},
        {"a CR inside a value", "X-A: a\rHEADER=Via: 127.0.0.1", 400,
         "CR or LF inside the value of header X-A"},
        {"an LF inside a value", "X-A: a\nb", 400, ""}, // the library's own refusal
        {"a length that is no number", "Content-Length: 1e3", 400, "not a number"},
        {"a length beyond 64 bits", "Content-Length: 99999999999999999999999", 413, "too large a number"},
    };
    for (const TCase& c : cases) {
        TRawClient client(FService->Port());
        client.Send("GET /checkip?format=text HTTP/1.1\r\nHost: h\r\n" + c.Head + "\r\n\r\n" + hidden);
        const std::string reply = client.ReadToEnd();
        EXPECT_EQ(Statuses(reply), std::vector<int>{c.Status}) << c.Name << ": " << reply;
        EXPECT_NE(reply.find(c.Text), std::string::npos) << c.Name << ": " << reply;
        EXPECT_TRUE(client.Ended()) << c.Name;
    }
    // HTTP/1.1 needs Host, HTTP/1.0 does not.
    for (const char* version : {"HTTP/1.1", "HTTP/1.0"}) {
        TRawClient client(FService->Port());
        client.Send(std::string("GET /home ") + version + "\r\n\r\n" + hidden);
        const std::string reply = client.ReadToEnd();
        const bool old = std::string(version) == "HTTP/1.0";
        EXPECT_EQ(Statuses(reply), std::vector<int>{old ? 200 : 400})
            << version << ": " << reply.substr(0, 200);
        EXPECT_EQ(reply.find("without Host") != std::string::npos, !old) << version;
    }
    EXPECT_EQ(FService->TouchCount("127.0.0.2"), 0);
    EXPECT_EQ(LogText().find("GET /touch"), std::string::npos) << LogText();
}

TEST_F(ServiceHttp, AListenAddressBeyondLoopbackNeedsPublicURL) {
    TServiceConfig config = Config("");
    config.Listen = "0.0.0.0";
    TService service(config, FLog);
    std::string error;
    EXPECT_FALSE(service.Start(error));
    EXPECT_NE(error.find("Listen=0.0.0.0 is not a loopback address"), std::string::npos) << error;
    EXPECT_NE(error.find("set [service] PublicURL"), std::string::npos) << error;
}

} // namespace
