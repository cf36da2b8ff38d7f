// What the tests of the real maskaddr-service share: a service of their own on 127.0.0.1 (any
// free port, a temporary folder), its log, a raw client, and readers of its replies.
#pragma once

#include "service/Service.h"

#include "base/Text.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace maskaddr::test {

using service::TInventoryProxy;
using service::TService;
using service::TServiceConfig;

inline const char* const kUpdateQuery =
    "/update?ACTION=Update&07042&PID=maskaddr&LANG=English&DAY=3&RUNTIME=12"
    "&VER=01000000&SVER=0&WVER=10_0_&WLANG=1033&CHL=756E6B6E6F77";

inline std::string Value(const std::string& text, const std::string& name) {
    for (const std::string& line : maskaddr::SplitLines(text))
        if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
    return "<missing>";
}

// The number of a reply's "serial=" line; 0 when it has none.
inline uint64_t Serial(const std::string& reply) {
    const std::string text = Value(reply, "serial");
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos ? std::stoull(text) : 0;
}

// The service's log as the tests read it: the service's threads write while a test reads,
// so both take one lock.
class TSharedLog final : public std::streambuf {
public:
    std::string Text() const {
        std::lock_guard<std::mutex> hold(FLock);
        return FText;
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        std::lock_guard<std::mutex> hold(FLock);
        FText.push_back(traits_type::to_char_type(c));
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::lock_guard<std::mutex> hold(FLock);
        FText.append(s, static_cast<size_t>(n));
        return n;
    }

private:
    mutable std::mutex FLock;
    std::string FText;
};

// The service started with the development key, in a temporary folder of its own.
class ServiceHttp : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/maskaddr-service-test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        FDir = tmpl;
    }
    void TearDown() override {
        FService.reset();
        std::filesystem::remove_all(FDir);
    }

    // Starts the service with this inventory; no periodic round runs during a test (the first
    // round at start does, and tests wait for it).
    void Start(const std::string& inventory, std::string latest = "1.2.0.0",
               const std::function<void(TServiceConfig&)>& tweak = {}) {
        TServiceConfig config = Config(inventory, latest);
        if (tweak) tweak(config);
        FConfig = config;
        Launch(config, FService);
    }

    // The configuration Start uses, with this inventory written to the test's folder.
    TServiceConfig Config(const std::string& inventory, std::string latest = "1.2.0.0") {
        std::ofstream(FDir + "/inventory.txt") << inventory;
        TServiceConfig config;
        config.Listen = "127.0.0.1";
        config.Port = 0;
        config.MagicWord = "maskaddr-7c1e";
        config.LatestVersion = latest;
        config.Info = "New version";
        config.Page = "http://127.0.0.1:1/download";
        config.SigningKey = std::string(MASKADDR_SOURCE_DIR) + "/keys/update-signing.dev.pem";
        config.AllowDevelopmentKey = true;
        config.Inventory = FDir + "/inventory.txt";
        config.Pages = std::string(MASKADDR_SOURCE_DIR) + "/service/pages";
        config.Flags = std::string(MASKADDR_SOURCE_DIR) + "/res/flag_short";
        config.GeoOverrides = {{"127.0.0.1", {"US", "Springfield"}}, {"127.0.0.2", {"DE", "Berlin"}}};
        config.HealthInterval = 3600;
        config.HealthTimeout = 3;
        return config;
    }

    // Starts a service and waits for its first health round.
    void Launch(const TServiceConfig& config, std::unique_ptr<TService>& service) {
        service = std::make_unique<TService>(config, FLog);
        std::string error;
        ASSERT_TRUE(service->Start(error)) << error;
        for (int i = 0; i < 200 && service->HealthRounds() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_GE(service->HealthRounds(), 1);
    }

    httplib::Result Get(const std::string& target) {
        httplib::Client client("127.0.0.1", FService->Port());
        client.set_read_timeout(10, 0);
        return client.Get(target.c_str());
    }

    std::string LogText() const { return FLogBuffer.Text(); }

    std::string FDir;
    TSharedLog FLogBuffer;
    std::ostream FLog{&FLogBuffer};
    std::unique_ptr<TService> FService;
    TServiceConfig FConfig; // the configuration Start gave FService
};

// A raw client socket from `from` to the service, reads bounded by a 5 s receive timeout.
class TRawClient {
public:
    TRawClient(int port, const char* from = "127.0.0.1") {
        FFd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, from, &a.sin_addr);
        bind(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        timeval limit{5, 0};
        setsockopt(FFd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        a.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
        FConnected = connect(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~TRawClient() { close(FFd); }
    TRawClient(const TRawClient&) = delete;
    TRawClient& operator=(const TRawClient&) = delete;
    bool Connected() const { return FConnected; }
    bool Send(const std::string& bytes) { return send(FFd, bytes.data(), bytes.size(), MSG_NOSIGNAL) >= 0; }
    // Everything until the server closes (or 5 s pass): "" when it closed without a word.
    std::string ReadToEnd() {
        std::string all;
        char buf[4096];
        ssize_t n = 0;
        while ((n = recv(FFd, buf, sizeof buf, 0)) > 0)
            all.append(buf, static_cast<size_t>(n));
        FEnded = n == 0;
        return all;
    }
    // Whether the last ReadToEnd stopped at the server's close (not at the timeout).
    bool Ended() const { return FEnded; }
    // Whether the server has closed the connection (a read sees its end at once).
    bool ClosedByServer() {
        char c;
        return recv(FFd, &c, 1, MSG_DONTWAIT) == 0;
    }

private:
    int FFd = -1;
    bool FConnected = false;
    bool FEnded = false;
};

// The status codes of every reply in `text` (a line "HTTP/1.1 NNN ..."), in order.
inline std::vector<int> Statuses(const std::string& text) {
    std::vector<int> codes;
    for (size_t at = text.find("HTTP/1.1 "); at != std::string::npos; at = text.find("HTTP/1.1 ", at + 1))
        if ((at == 0 || text[at - 1] == '\n') && text.size() >= at + 12 &&
            text.find_first_not_of("0123456789", at + 9) == at + 12)
            codes.push_back(std::stoi(text.substr(at + 9, 3)));
    return codes;
}

inline std::string ProxyLine(const std::string& ip, int port, const char* kind = "normal") {
    return ip + ":" + std::to_string(port) + "|Germany|DE|13.40|52.52|" + kind + "\n";
}

} // namespace maskaddr::test
