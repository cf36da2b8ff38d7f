// Tests of the service's pure rules: inventory lines, the proxy list format, the update
// request and reply, the lookup reply, the leak judgement and the configuration file.
#include "service/ServiceLogic.h"
#include "service/GeoLocator.h"
#include "service/LogFile.h"
#include "service/ServiceConfig.h"
#include "service/StateStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace maskaddr::service;

namespace {

struct TInventoryCase {
    const char* Line;
    bool Valid;
    const char* Error; // part of the error text
};

TEST(ServiceInventory, LinesAreCheckedOneByOne) {
    const TInventoryCase cases[] = {
        {"127.0.0.2:8888|Germany|DE|13.40|52.52|normal", true, ""},
        {"  127.0.0.3:80 | France | fr | 2.35 | 48.85 | SUPER  ", true, ""},
        {"127.0.0.2|Germany|DE|13.40|52.52|normal", false, "without port"},
        {"127.0.0.2:0|Germany|DE|13.40|52.52|normal", false, "bad port"},
        {"127.0.0.2:65536|Germany|DE|13.40|52.52|normal", false, "bad port"},
        {"127.0.0.2:80x|Germany|DE|13.40|52.52|normal", false, "bad port"},
        {"127.0.0.2:8888|Germany|DEU|13.40|52.52|normal", false, "two letters"},
        {"127.0.0.2:8888|Germany|D1|13.40|52.52|normal", false, "two letters"},
        {"127.0.0.2:8888|Germany|DE|east|52.52|normal", false, "numbers"},
        {"127.0.0.2:8888|Germany|DE|13.40||normal", false, "numbers"},
        {"127.0.0.2:8888|Germany|DE|13.40|52.52|premium", false, "super or normal"},
        {"127.0.0.2:8888|Germany|DE|13.40|52.52", false, "6 fields"},
        {"127.0.0.2:8888|Germany|DE|13.40|52.52|normal|x", false, "6 fields"},
    };
    for (const TInventoryCase& c : cases) {
        TInventoryParse parsed = ParseInventory(c.Line);
        EXPECT_EQ(parsed.Proxies.size(), c.Valid ? 1u : 0u) << c.Line;
        if (c.Valid) {
            EXPECT_TRUE(parsed.Errors.empty()) << c.Line;
        } else {
            ASSERT_EQ(parsed.Errors.size(), 1u) << c.Line;
            EXPECT_NE(parsed.Errors[0].find(c.Error), std::string::npos) << parsed.Errors[0];
            EXPECT_EQ(parsed.Errors[0].rfind("line 1:", 0), 0u) << parsed.Errors[0];
        }
    }
}

TEST(ServiceInventory, FieldsCommentsAndLineNumbers) {
    TInventoryParse parsed =
        ParseInventory("# comment\n\n127.0.0.3:80 | France | fr | 2.35 | 48.85 | SUPER\r\n"
                       "bad line\n127.0.0.2:8888|Germany|DE|13.40|52.52|normal");
    ASSERT_EQ(parsed.Proxies.size(), 2u);
    const TInventoryProxy& p = parsed.Proxies[0];
    EXPECT_EQ(p.IP, "127.0.0.3");
    EXPECT_EQ(p.Port, 80);
    EXPECT_EQ(p.Name, "France");
    EXPECT_EQ(p.Code, "FR");
    EXPECT_EQ(p.Longitude, "2.35");
    EXPECT_EQ(p.Latitude, "48.85");
    EXPECT_TRUE(p.IsSuper);
    EXPECT_FALSE(parsed.Proxies[1].IsSuper);
    ASSERT_EQ(parsed.Errors.size(), 1u);
    EXPECT_EQ(parsed.Errors[0].rfind("line 4:", 0), 0u);
}

TEST(ServiceProxyList, FormatIsNameBeforeCodeAndLongitudeBeforeLatitude) {
    TInventoryProxy a{"127.0.0.2", 8888, "Germany", "DE", "13.40", "52.52", false};
    TInventoryProxy b{"127.0.0.3", 3128, "Bad;Name|x", "FR", "2.35", "48.85", false};
    EXPECT_EQ(FormatProxyList({}), "");
    EXPECT_EQ(FormatProxyList({a}), "127.0.0.2:8888|Germany|DE|13.40|52.52");
    EXPECT_EQ(FormatProxyList({a, b}),
              "127.0.0.2:8888|Germany|DE|13.40|52.52;127.0.0.3:3128|BadNamex|FR|2.35|48.85");
}

const char* const kGoodQuery = "ACTION=Update&07042&PID=maskaddr&LANG=English&DAY=3&RUNTIME=12&VER=01000000"
                               "&SVER=0&WVER=10_0_&WLANG=1033&CHL=756E6B6E6F77";

TEST(ServiceUpdateRequest, AcceptsTheProgramsRequest) {
    std::string error;
    auto request = ParseUpdateQuery(kGoodQuery, error);
    ASSERT_TRUE(request) << error;
    EXPECT_EQ(request->Stamp, "07042");
    EXPECT_EQ(request->Version, 0x01000000u);
    EXPECT_EQ(request->Params.at("WVER"), "10_0_");
    EXPECT_EQ(request->Params.at("LANG"), "English");
}

TEST(ServiceUpdateRequest, RejectsBrokenRequests) {
    struct TCase {
        std::string From, To, Error;
    };
    const TCase cases[] = {
        {"ACTION=Update", "ACTION=Check", "ACTION must be Update"},
        {"ACTION=Update&", "", "missing ACTION"},
        {"&07042", "", "time stamp"},
        {"&07042", "&0704", "time stamp"},
        {"&PID=maskaddr", "", "missing parameter PID"},
        {"&CHL=756E6B6E6F77", "", "missing parameter CHL"},
        {"&WLANG=1033", "", "missing parameter WLANG"},
        {"VER=01000000", "VER=1000000", "8 hexadecimal"},
        {"VER=01000000", "VER=0100000G", "8 hexadecimal"},
        {"VER=01000000", "VER=", "8 hexadecimal"},
    };
    for (const TCase& c : cases) {
        std::string query = kGoodQuery;
        query.replace(query.find(c.From), c.From.size(), c.To);
        std::string error;
        EXPECT_FALSE(ParseUpdateQuery(query, error)) << query;
        EXPECT_NE(error.find(c.Error), std::string::npos) << query << " -> " << error;
    }
}

TEST(ServiceUpdateReply, ResultDependsOnTheRequestingVersion) {
    TUpdateOffer offer;
    offer.MagicWord = "maskaddr-7c1e";
    offer.LatestVersion = 0x01020000; // 1.2.0.0
    offer.Info = "Version 1.2 is out";
    offer.Page = "http://127.0.0.1:1/new";
    offer.Modify = {{"NORMAL_IPS", "127.0.0.2:8888|Germany|DE|13.40|52.52"}, {"URL.GetInfo", "http://x/a=b"}};
    const std::string tail = "__MODIFY__.NORMAL_IPS=127.0.0.2:8888|Germany|DE|13.40|52.52\r\n"
                             "__MODIFY__.URL.GetInfo=http://x/a=b\r\n";
    struct TCase {
        uint32_t Version;
        bool Newer;
    };
    for (TCase c : {TCase{0x01000000, true}, TCase{0x0101FFFF, true}, TCase{0x01020000, false},
                    TCase{0x01020001, false}, TCase{0xFFFFFFFF, false}, TCase{0, true}}) {
        std::string reply = BuildUpdateReply(offer, c.Version);
        std::string head = "magicword=maskaddr-7c1e\r\n";
        head += c.Newer ? "Result=1\r\ninfo=Version 1.2 is out\r\npage=http://127.0.0.1:1/new\r\n"
                        : "Result=0\r\n";
        EXPECT_EQ(reply, head + tail) << std::hex << c.Version;
    }
}

TEST(ServiceLookupReply, SixthAndSeventhLinesAreBareCoordinates) {
    TLocation where{"DE", "Germany", "Berlin", "", 51.0, -9.5};
    EXPECT_EQ(BuildLookupReply("127.0.0.2", where),
              "IP=127.0.0.2\r\nCOUNTRY_SHORT=DE\r\nCOUNTRY_LONG=Germany\r\n"
              "CITY=Berlin\r\nREGION=\r\n51.0000\r\n-9.5000\r\n");
}

// The page a proxy brought back counts only as this round's page of this service, seen from
// the proxy's own address and with no forwarding header.
TEST(ServiceCheckPage, OnlyThisRoundsPageFromAnotherAddressWithoutForwardingCounts) {
    const std::string page =
        "IP=127.0.0.2\r\nCOUNTRY_SHORT=DE\r\nPROOF=ab12\r\nHEADER=Host: 127.0.0.1:8470\r\n";
    const std::pair<std::string, const char*> cases[] = {
        {page, ""},
        {page + "HEADER=User-Agent: 127.0.0.1\r\n", ""},
        {"IP=203.0.113.7\r\n", "not this round's"},             // canned
        {"IP=127.0.0.2\r\nPROOF=ab13\r\n", "not this round's"}, // an old round's page
        {"IP=127.0.0.1\r\nPROOF=ab12\r\n", "its own address 127.0.0.1"},
        {page + "HEADER=Via: 1.1 somewhere\r\n", "forwarding header Via"},
        {page + "HEADER=x-forwarded-for: 10.0.0.9\r\n", "forwarding header x-forwarded-for"},
        {"<html>IP=127.0.0.2 PROOF=ab12</html>", "not the check page"},
        {"", "not the check page"},
    };
    for (const auto& [body, why] : cases) {
        const std::string reason = JudgeCheckPage(body, "ab12", "127.0.0.1");
        EXPECT_EQ(reason.empty(), *why == '\0') << body << " -> " << reason;
        EXPECT_NE(reason.find(why), std::string::npos) << body << " -> " << reason;
    }
}

TEST(ServiceHttpReply, WholeOnlyByItsLengthItsLastChunkOrTheClose) {
    struct TCase {
        std::string Bytes;
        bool Ended;
        THttpReply::TState State;
        const char* Body; // or part of the reason when broken
    };
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n";
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const TCase cases[] = {
        {head + "hello", false, THttpReply::Whole, "hello"},
        {head + "hel", false, THttpReply::Partial, ""},
        {head + "hel", true, THttpReply::Broken, "3 of 5"},
        {head + "hello!", false, THttpReply::Broken, "more bytes"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nhello", false, THttpReply::Broken,
         "conflicting"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5x\r\n\r\nhello", false, THttpReply::Broken, "broken"},
        {"HTTP/1.0 200 OK\r\n\r\nhello", false, THttpReply::Partial, ""},
        {"HTTP/1.0 200 OK\r\n\r\nhello", true, THttpReply::Whole, "hello"},
        {chunked + "3\r\nhel\r\n2;x=y\r\nlo\r\n0\r\n\r\n", false, THttpReply::Whole, "hello"},
        {chunked + "3\r\nhel\r\n0\r\nX-T: 1\r\n\r\n", false, THttpReply::Whole, "hel"},
        {chunked + "3\r\nhel\r\n", false, THttpReply::Partial, ""},
        {chunked + "3\r\nhel\r\n", true, THttpReply::Broken, "last chunk"},
        {chunked + "2\r\nhello\r\n", false, THttpReply::Broken, "longer than its size"},
        {chunked + "zz\r\n", false, THttpReply::Broken, "chunk size"},
        {chunked + "ffffffffffffffffff\r\n", false, THttpReply::Broken, "chunk size"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n", false, THttpReply::Broken,
         "Transfer-Encoding"},
        {"HTTP/1.1 200", true, THttpReply::Broken, "whole head"},
        {"IP=203.0.113.7\r\n\r\n", false, THttpReply::Broken, "not an HTTP reply"},
        {"HTTP/1.1 2x0 OK\r\n\r\n", false, THttpReply::Broken, "not an HTTP reply"},
    };
    for (const TCase& c : cases) {
        const THttpReply reply = ReadHttpReply(c.Bytes, c.Ended);
        EXPECT_EQ(reply.State, c.State) << c.Bytes;
        const std::string& text = c.State == THttpReply::Broken ? reply.Why : reply.Body;
        EXPECT_NE(text.find(c.Body), std::string::npos) << c.Bytes << " -> " << text;
        EXPECT_EQ(reply.Status, c.State == THttpReply::Whole ? 200 : reply.Status) << c.Bytes;
    }
}

TEST(ServiceLoopback, OnlyWholeLoopbackAddressesCount) {
    const std::pair<const char*, bool> cases[] = {
        {"127.0.0.1", true},    {"127.255.255.254", true}, {"127.0.0", false},
        {"127.0.0.256", false}, {"128.0.0.1", false},      {"1127.0.0.1", false},
        {"127.0.0.1.", false},  {"127.a.0.1", false},      {"", false},
        {"::1", false},         {"127.0.0.01", true},
    };
    for (const auto& [ip, loopback] : cases)
        EXPECT_EQ(IsLoopbackV4(ip), loopback) << ip;
}

TEST(ServiceGeo, OverridesComeFirstAndUnknownIsUN) {
    TGeoLocator geo("", {{"127.0.0.1", {"US", "Springfield"}}, {"127.0.0.2", {"DE", "Berlin"}}});
    TLocation a = geo.Locate("127.0.0.1");
    EXPECT_EQ(a.CountryShort, "US");
    EXPECT_EQ(a.CountryLong, "United States");
    EXPECT_EQ(a.City, "Springfield");
    TLocation b = geo.Locate("127.0.0.2");
    EXPECT_EQ(b.CountryShort, "DE");
    EXPECT_DOUBLE_EQ(b.Latitude, 51.0);
    EXPECT_DOUBLE_EQ(b.Longitude, 9.0);
    TLocation c = geo.Locate("127.0.0.3");
    EXPECT_EQ(c.CountryShort, "UN");
    EXPECT_EQ(c.CountryLong, "");
}

TEST(ServiceGeo, DatabaseAnswersForPublicAddresses) {
    TGeoLocator geo("/usr/share/GeoIP/GeoIP.dat", {});
    if (!geo.HasDatabase()) GTEST_SKIP() << "geoip-database is not installed";
    // No network traffic: the database is a local file.
    EXPECT_EQ(geo.Locate("8.8.8.8").CountryShort, "US");
    EXPECT_EQ(geo.Locate("127.0.0.1").CountryShort, "UN");
}

TEST(ServiceConfigFile, ReadsEverySectionAndResolvesPaths) {
    TServiceConfig config;
    std::string error;
    ASSERT_TRUE(ParseServiceConfig(
        "[service]\nListen=127.0.0.5\nPort=0\nMagicWord=w\n[update]\n"
        "LatestVersion=2.0.0.0\nPage=http://p\nSigningKey=keys/sign.pem\nAllowDevelopmentKey=1\n"
        "[files]\nInventory=inv.txt\n"
        "Pages=/abs/pages\n[health]\nInterval=7\nTimeout=2\nParallel=9\nLoopbackOnly=0\n"
        "[geo.override]\n127.0.0.1=US,Springfield\n127.0.0.2=DE\n"
        "[log]\nFile=service.log\nMaxKB=64\n[state]\nDatabase=postgresql://"
        "u@127.0.0.1:5/db\n[limits]\nThreads=4\nRequestTimeout=3\n"
        "MaxHead=8192\nMaxBody=0\nMaxPerAddress=9\n",
        "/etc/m", config, error))
        << error;
    EXPECT_EQ(config.Listen, "127.0.0.5");
    EXPECT_EQ(config.Port, 0);
    EXPECT_EQ(config.MagicWord, "w");
    EXPECT_EQ(config.LatestVersion, "2.0.0.0");
    EXPECT_EQ(config.Inventory, "/etc/m/inv.txt");
    EXPECT_EQ(config.SigningKey, "/etc/m/keys/sign.pem");
    EXPECT_TRUE(config.AllowDevelopmentKey);
    EXPECT_EQ(config.Pages, "/abs/pages");
    EXPECT_EQ(config.HealthInterval, 7);
    EXPECT_EQ(config.HealthTimeout, 2);
    EXPECT_EQ(config.HealthParallel, 9);
    EXPECT_FALSE(config.HealthLoopbackOnly);
    ASSERT_EQ(config.GeoOverrides.size(), 2u);
    EXPECT_EQ(config.GeoOverrides["127.0.0.1"].City, "Springfield");
    EXPECT_EQ(config.GeoOverrides["127.0.0.2"].CountryShort, "DE");
    EXPECT_EQ(config.LogFile, "/etc/m/service.log");
    EXPECT_EQ(config.Database, "postgresql://u@127.0.0.1:5/db"); // an address, not a path
    EXPECT_EQ(config.LogMaxBytes, 64u * 1024);
    EXPECT_EQ(config.Limits.Threads, 4);
    EXPECT_EQ(config.Limits.RequestTimeout, 3);
    EXPECT_EQ(config.Limits.MaxHead, 8192u);
    EXPECT_EQ(config.Limits.MaxBody, 0u);
    EXPECT_EQ(config.Limits.MaxPerAddress, 9);
}

TEST(ServiceConfigFile, RejectsUnusableValues) {
    const std::pair<const char*, const char*> cases[] = {
        {"[service]\nPort=70000\n[files]\nInventory=i\n", "Port"},
        {"[service]\nPort=abc\n[files]\nInventory=i\n", "Port"},
        {"[health]\nTimeout=0\n[files]\nInventory=i\n", "Timeout"},
        {"[health]\nParallel=1025\n[files]\nInventory=i\n", "Parallel must be a number from 1 to 1024"},
        {"[files]\nPages=p\n", "Inventory"},
        {"[files]\nInventory=i\n[geo.override]\n127.0.0.1=USA\n", "two-letter"},
        {"[files]\nInventory=i\n[limits]\nMaxHead=100\n", "MaxHead"},
        {"[files]\nInventory=i\n[update]\nAllowDevelopmentKey=yes\n", "AllowDevelopmentKey must be"},
    };
    for (const auto& [text, what] : cases) {
        TServiceConfig config;
        std::string error;
        EXPECT_FALSE(ParseServiceConfig(text, ".", config, error)) << text;
        EXPECT_NE(error.find(what), std::string::npos) << error;
    }
}

TEST(ServiceLogFile, MovesAsideAtItsCapAndKeepsTheNewestLines) {
    char tmpl[] = "/tmp/maskaddr-log-test.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string path = std::string(tmpl) + "/service.log";
    {
        TLogFile log;
        std::string error;
        ASSERT_TRUE(log.Open(path, 100, error)) << error;
        for (int i = 0; i < 10; ++i)
            log.Write("line " + std::to_string(i) + std::string(20, '.'));
    }
    auto read = [](const std::string& p) {
        std::ifstream in(p);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const std::string current = read(path), previous = read(path + ".1");
    EXPECT_LE(current.size(), 100u);
    // 27 bytes a line: three fit under the cap, so lines 6-8 were moved aside and 9 began anew.
    EXPECT_EQ(current, "line 9" + std::string(20, '.') + "\n");
    EXPECT_EQ(previous.substr(0, 6), "line 6");
    EXPECT_NE(previous.find("line 8"), std::string::npos);
    std::filesystem::remove_all(tmpl);
}

TEST(ServiceStateStore, InventoryHealthAndTouchesOutliveAReopen) {
    char tmpl[] = "/tmp/maskaddr-state-test.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string path = std::string(tmpl) + "/state.db";
    const TInventoryProxy a{"127.0.0.2", 8080, "Germany", "DE", "13.40", "52.52", false};
    const TInventoryProxy b{"127.0.0.3", 8080, "France", "FR", "2.35", "48.85", true};
    std::string error;
    {
        auto store = OpenStateStore(path, error);
        ASSERT_TRUE(store) << error;
        store->ReplaceInventory({a, b});
        store->SaveRound({{a, false, "no answer", 5}, {b, true, "", 7}});
        ASSERT_TRUE(store->Touch("127.0.0.3", "127.0.0.7", 1000));
        ASSERT_TRUE(store->Touch("127.0.0.3", "127.0.0.8", 1000));
    }
    auto store = OpenStateStore(path, error);
    ASSERT_TRUE(store) << error;
    std::vector<TInventoryProxy> live = store->LastLive();
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(live[0].IP, "127.0.0.3");
    EXPECT_TRUE(live[0].IsSuper);
    EXPECT_EQ(store->Inventory().size(), 2u);
    EXPECT_EQ(store->TouchCount("127.0.0.3"), 2);
    // One client address counts once a minute for one proxy.
    struct TCase {
        const char* Proxy;
        const char* Client;
        std::time_t At;
        bool Counted;
        int Hits;
    };
    for (const TCase& c :
         {TCase{"127.0.0.3", "127.0.0.7", 1059, false, 2}, TCase{"127.0.0.2", "127.0.0.7", 1059, true, 1},
          TCase{"127.0.0.3", "127.0.0.7", 1060, true, 3}, TCase{"127.0.0.3", "127.0.0.7", 1060, false, 3},
          TCase{"127.0.0.3", "127.0.0.8", 1061, true, 4}}) {
        const auto touch = store->Touch(c.Proxy, c.Client, c.At);
        ASSERT_TRUE(touch) << c.Client << " at " << c.At;
        EXPECT_EQ(touch->Counted, c.Counted) << c.Proxy << " " << c.Client << " at " << c.At;
        EXPECT_EQ(touch->Hits, c.Hits) << c.Proxy << " " << c.Client << " at " << c.At;
    }
    // A proxy taken out of the inventory is no longer served, whatever its last result.
    store->ReplaceInventory({a});
    EXPECT_TRUE(store->LastLive().empty());
    std::filesystem::remove_all(tmpl);
}

} // namespace
