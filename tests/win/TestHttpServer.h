// A small HTTP server of the Win32 tests on 127.0.0.1 (a free port of its own): it
// answers each GET with the reply set for the request's path, remembers every request
// head, and closes the connection after each reply.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace maskaddr::test {

class TTestHttpServer {
public:
    struct TReply {
        int Status = 200;
        std::string Body;
        bool LengthHeader = true;
        int64_t DeclaredLength = -1; // the length header's value; -1: the body's size
        unsigned DelayMs = 0;        // pause between the head and the body
        // A slow server, until the client goes or this server ends: Silent answers nothing at
        // all; TrickleMs sends the reply one byte at a time, this far apart, from the head's first
        // byte (TrickleHead) or from the body's.
        bool Silent = false;
        unsigned TrickleMs = 0;
        bool TrickleHead = false;
    };

    TTestHttpServer();
    ~TTestHttpServer();
    TTestHttpServer(const TTestHttpServer&) = delete;
    TTestHttpServer& operator=(const TTestHttpServer&) = delete;

    uint16_t Port() const { return FPort; }
    // "http://127.0.0.1:PORT" followed by target ("/path?query").
    std::string Url(const std::string& target) const;
    // The reply for a path (without query); paths without one get 404.
    void SetReply(const std::string& path, TReply reply);
    // Request heads (request line and header lines) in arrival order.
    std::vector<std::string> Requests();
    bool WaitForRequests(size_t count, unsigned timeoutMs);

private:
    void Serve();
    void Answer(SOCKET client);
    // Sends bytes one at a time, pausing between them, until the client goes or the server ends.
    void Trickle(SOCKET client, const std::string& bytes, unsigned pauseMs);
    // Waits, answering nothing, until the client closes or the server is ending.
    void KeepSilent(SOCKET client);

    SOCKET FListener = INVALID_SOCKET;
    uint16_t FPort = 0;
    std::atomic<bool> FStop{false};
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::map<std::string, TReply> FReplies;
    std::vector<std::string> FRequests;
    std::thread FThread;
};

// A port of one address of 127.0.0.0/8, picked free and held by a socket that never
// listens: nothing else can listen there while this lives, so a connection to it is refused.
// The tests' proxies and pages where nothing may answer.
class TClosedPort {
public:
    explicit TClosedPort(const char* host);
    ~TClosedPort();
    TClosedPort(const TClosedPort&) = delete;
    TClosedPort& operator=(const TClosedPort&) = delete;
    bool Held() const { return FPort != 0; }
    const std::string& Host() const { return FHost; }
    uint16_t Port() const { return FPort; }
    // "HOST:PORT"
    std::string Address() const { return FHost + ":" + std::to_string(FPort); }

private:
    std::string FHost;
    SOCKET FSocket = INVALID_SOCKET;
    uint16_t FPort = 0;
};

} // namespace maskaddr::test
