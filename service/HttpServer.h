// The service's HTTP layer: GNU libmicrohttpd in its epoll mode with a small thread pool,
// so thousands of slow or idle connections cost a little memory each and no thread. Bounds
// every request (time, request line, headers, body, connections per address) and hands the
// handlers cpp-httplib's plain Request and Response records.
#pragma once

#include "service/Periodic.h"

#include <httplib.h>

#include <cstddef>
#include <functional>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <vector>

struct MHD_Daemon;
struct MHD_Connection;

namespace maskaddr::service {

struct THttpLimits {
    int Threads = 2;         // event loops, each with its own epoll set
    int Backlog = 511;       // listen queue
    int IdleTimeout = 15;    // seconds a connection may stay silent
    int RequestTimeout = 10; // seconds to deliver a whole request (headers and body)
    size_t MaxHead = 16384;  // request line and headers together: 414 or 431 beyond
    size_t MaxHeaders = 64;  // header lines: 431 beyond
    size_t MaxBody = 16384;  // request body: 413 beyond
    int MaxConnections = 8000;
    int MaxPerAddress = 256; // open connections from one client address
};

// Log texts stay on one line and short, whatever a client sent.
std::string LogSafe(const std::string& s, size_t limit = 200);
// An error reply: the status, and a plain text that says it and why.
void Fail(httplib::Response& res, int status, const std::string& why);

class THttpServer {
public:
    using TRequest = httplib::Request;
    using TResponse = httplib::Response;
    using THandler = std::function<void(const TRequest&, TResponse&)>;

    explicit THttpServer(THttpLimits limits);
    ~THttpServer();
    THttpServer(const THttpServer&) = delete;
    THttpServer& operator=(const THttpServer&) = delete;

    // GET (and HEAD) requests whose whole path matches `pattern` (req.matches holds its groups).
    void Get(const std::string& pattern, THandler handler);
    // Runs before routing; true when it answered the request itself.
    void SetPreRouting(std::function<bool(const TRequest&, TResponse&)> check);
    // One call per request answered, and one per connection rejected or cut before a whole
    // request arrived (then `why` says what happened and the response is empty).
    void SetLogger(std::function<void(const std::string& line)> log);
    // Requests from this address (a reverse proxy in front, such as nginx) are taken to come
    // from the address in their X-Real-IP header, and that header is dropped.
    void SetTrustedFront(std::string address) { FTrustedFront = std::move(address); }

    // Binds and serves on the server's own threads; port 0 takes any free port.
    bool Start(const std::string& listen, int port, std::string& error);
    void Stop();
    int Port() const { return FPort; }

    struct TConnection;
    struct TExchange;

private:
    void Answer(MHD_Connection* connection, TExchange& exchange);
    void Reject(MHD_Connection* connection, TExchange& exchange, int status, const std::string& why);
    void Send(MHD_Connection* connection, TExchange& exchange, TResponse& res);
    void Reap();

    friend struct THttpCallbacks;

    struct TRoute {
        std::regex Pattern;
        THandler Handler;
    };
    THttpLimits FLimits;
    std::vector<TRoute> FRoutes;
    std::function<bool(const TRequest&, TResponse&)> FPreRouting;
    std::function<void(const std::string&)> FLog;
    std::string FTrustedFront;
    MHD_Daemon* FDaemon = nullptr;
    int FPort = 0;

    // Open connections, for the reaper that cuts those too slow to deliver a request.
    std::mutex FConnectionsLock;
    std::set<TConnection*> FConnections;
    TPeriodic FReaper;
};

} // namespace maskaddr::service
