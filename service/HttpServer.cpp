// The service's HTTP layer on GNU libmicrohttpd (epoll, thread pool): routes, request
// bounds with their 413/414/431 answers, strict request heads (400 and the connection
// closed), TCP_NODELAY, and a reaper thread that cuts connections that take too long to
// deliver a whole request.
#include "service/HttpServer.h"

#include "framework/engine/UrlTools.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace maskaddr::service {

// What the server keeps per TCP connection; each connection is served by one event loop.
struct THttpServer::TConnection {
    int Fd = -1;
    std::string Address;
    int Port = 0;
    int Begun = 0; // requests whose request line arrived
    // Steady-clock nanoseconds since the connection opened or its last reply went out.
    std::atomic<long long> Since{0};
    // A whole request arrived and is being answered: the reaper leaves it alone.
    std::atomic<bool> Busy{false};
    bool Cut = false; // set by the reaper under FConnectionsLock
    // The library's handle, and whether the adapter answered a broken head itself (the
    // library then only closes); both are used on the connection's own event loop only.
    MHD_Connection* Handle = nullptr;
    bool Refused = false;
};

// What the server keeps per request, from its request line to its reply.
struct THttpServer::TExchange {
    TConnection* Connection = nullptr;
    std::string Target; // as the client sent it, query included
    std::string Method;
    std::string Path;
    size_t Body = 0;
    bool Started = false;
    bool Answered = false;
};

namespace {

using TConnection = THttpServer::TConnection;
using TExchange = THttpServer::TExchange;

long long SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// "name=value&name&..." of the raw query, each part form-decoded (kept raw when broken).
void ParseQuery(const std::string& target, httplib::Params& params) {
    size_t q = target.find('?');
    if (q == std::string::npos) return;
    const std::string query = target.substr(q + 1);
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        std::string item = query.substr(start, end - start);
        if (!item.empty()) {
            size_t eq = item.find('=');
            std::string name = item.substr(0, eq);
            std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
            params.emplace(UrlDecodeForm(name).value_or(name), UrlDecodeForm(value).value_or(value));
        }
        start = end + 1;
    }
}

TConnection* ConnectionOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<TConnection*>(info->socket_context) : nullptr;
}

// Connections of this event loop whose request line arrived and whose head the routes have
// not seen yet: one of them is the one the library is refusing when it logs a broken
// Content-Length (see THttpCallbacks::OnError).
thread_local std::set<TConnection*> tHeading;

// What the strict reading of a request head found (see StrictViolation).
struct THeadCheck {
    int Lengths = 0;
    bool Host = false;
    std::string Broken; // the first fault found
};

// Why a request head cannot be trusted to mean one thing to every server on its way (a
// front proxy may read it otherwise, and what it hides may be served as a request of its
// own); empty when it can. The library takes a name with a blank before its colon for
// another header and keeps a bare CR inside a value, so both are checked here; a bare LF
// ends the line for the library, which refuses the rest itself.
std::string StrictViolation(MHD_Connection* connection, std::string_view version) {
    THeadCheck check;
    MHD_get_connection_values(
        connection, MHD_HEADER_KIND,
        [](void* cls, MHD_ValueKind, const char* name, const char* value) {
            auto& check = *static_cast<THeadCheck*>(cls);
            const std::string n = name ? name : "";
            const std::string_view v = value ? value : "";
            if (check.Broken.empty() && n.find_first_of(" \t") != std::string::npos)
                check.Broken = "a blank before the colon of header " + LogSafe(n, 40);
            if (check.Broken.empty() && v.find_first_of("\r\n") != std::string_view::npos)
                check.Broken = "a CR or LF inside the value of header " + LogSafe(n, 40);
            check.Lengths += strcasecmp(n.c_str(), "Content-Length") == 0 ? 1 : 0;
            check.Host = check.Host || strcasecmp(n.c_str(), "Host") == 0;
            return MHD_YES;
        },
        &check);
    if (!check.Broken.empty()) return check.Broken;
    if (check.Lengths > 1) return "Content-Length given " + std::to_string(check.Lengths) + " times";
    if (version == "HTTP/1.1" && !check.Host) return "an HTTP/1.1 request without Host";
    return "";
}

// Whether the library can read this Content-Length as a number (it refuses the request
// itself when not).
bool ReadableLength(const char* text) {
    const std::string_view s = text;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

// An IPv4 or IPv6 address in its text form, and nothing else.
bool IsAddress(const std::string& text) {
    unsigned char binary[sizeof(in6_addr)];
    return inet_pton(AF_INET, text.c_str(), binary) == 1 || inet_pton(AF_INET6, text.c_str(), binary) == 1;
}

const char* ReasonPhrase(int status) {
    switch (status) {
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 411:
        return "Length Required";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    }
    return "Error";
}

} // namespace

std::string LogSafe(const std::string& s, size_t limit) {
    std::string out;
    for (char c : s.substr(0, limit))
        out += (c >= 32 && c < 127) ? c : '?';
    if (s.size() > limit) out += "...(" + std::to_string(s.size()) + " bytes)";
    return out;
}

void Fail(httplib::Response& res, int status, const std::string& why) {
    res.status = status;
    res.set_content(std::to_string(status) + " " + ReasonPhrase(status) + ": " + why + "\n", "text/plain");
}

// The C callbacks of libmicrohttpd, forwarding to the server.
struct THttpCallbacks {
    static void OnConnection(void* cls, MHD_Connection* connection, void** context,
                             MHD_ConnectionNotificationCode code) {
        auto* server = static_cast<THttpServer*>(cls);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            auto* c = new TConnection;
            const MHD_ConnectionInfo* fd =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            c->Fd = fd ? fd->connect_fd : -1;
            // Small replies go out at once, not after the client's delayed acknowledgement.
            int one = 1;
            if (c->Fd >= 0) setsockopt(c->Fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            const MHD_ConnectionInfo* peer =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
            if (peer && peer->client_addr && peer->client_addr->sa_family == AF_INET) {
                const auto* in = reinterpret_cast<const sockaddr_in*>(peer->client_addr);
                char text[INET_ADDRSTRLEN] = {};
                inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
                c->Address = text;
                c->Port = ntohs(in->sin_port);
            }
            c->Since = SteadyNow();
            *context = c;
            std::lock_guard<std::mutex> hold(server->FConnectionsLock);
            server->FConnections.insert(c);
            return;
        }
        auto* c = static_cast<TConnection*>(*context);
        if (!c) return;
        tHeading.erase(c);
        bool cut = false;
        {
            std::lock_guard<std::mutex> hold(server->FConnectionsLock);
            server->FConnections.erase(c);
            cut = c->Cut;
        }
        if (server->FLog && (cut || c->Begun == 0))
            server->FLog(c->Address + " closed " +
                         (cut ? "by the server: no whole request within " +
                                    std::to_string(server->FLimits.RequestTimeout) + " s"
                              : "without a request line (silent, too long, or malformed)"));
        delete c;
        *context = nullptr;
    }

    static void* OnRequestLine(void*, const char* uri, MHD_Connection* connection) {
        auto* e = new TExchange;
        e->Target = uri ? uri : "";
        e->Connection = ConnectionOf(connection);
        if (e->Connection) {
            ++e->Connection->Begun;
            e->Connection->Handle = connection;
            tHeading.insert(e->Connection);
        }
        return e;
    }

    static MHD_Result OnAccess(void* cls, MHD_Connection* connection, const char* url, const char* method,
                               const char* version, const char*, size_t* uploadSize, void** context) {
        auto* server = static_cast<THttpServer*>(cls);
        auto* e = static_cast<TExchange*>(*context);
        if (!e) return MHD_NO;
        auto tooLarge = [&] {
            server->Reject(connection, *e, 413,
                           "request body larger than " + std::to_string(server->FLimits.MaxBody) + " bytes");
        };
        if (!e->Started) {
            e->Started = true;
            e->Method = method ? method : "";
            e->Path = url ? url : "";
            tHeading.erase(e->Connection);
            // A broken head, or a body over the limit, is refused before the body is read, and
            // the connection closes: what follows on it cannot be told apart from the body. A
            // chunked body does not say its size, and the library answers only once it has
            // read it all: it is refused at once.
            const std::string broken = StrictViolation(connection, version ? version : "");
            const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Length");
            const char* coding =
                MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Transfer-Encoding");
            if (!broken.empty())
                server->Reject(connection, *e, 400, broken);
            else if (coding)
                server->Reject(connection, *e, 411, "a request body must come with its Content-Length");
            else if (length && std::strtoull(length, nullptr, 10) > server->FLimits.MaxBody)
                tooLarge();
            return MHD_YES;
        }
        if (*uploadSize > 0) {
            // The routes take no body: it is counted and dropped.
            e->Body += *uploadSize;
            *uploadSize = 0;
            if (!e->Answered && e->Body > server->FLimits.MaxBody) tooLarge();
            return MHD_YES;
        }
        if (!e->Answered) server->Answer(connection, *e);
        return MHD_YES;
    }

    static void OnCompleted(void* cls, MHD_Connection*, void** context, MHD_RequestTerminationCode code) {
        auto* server = static_cast<THttpServer*>(cls);
        auto* e = static_cast<TExchange*>(*context);
        if (!e) return;
        if (e->Connection) {
            e->Connection->Busy = false;
            e->Connection->Since = SteadyNow();
            tHeading.erase(e->Connection);
        }
        if (!e->Answered && server->FLog && e->Connection && !e->Connection->Refused)
            server->FLog(e->Connection->Address + " " + LogSafe(e->Method) + " " + LogSafe(e->Target) +
                         " not answered: " +
                         (code == MHD_REQUEST_TERMINATED_TIMEOUT_REACHED ? "silent too long"
                          : code == MHD_REQUEST_TERMINATED_CLIENT_ABORT  ? "the client left"
                                                                         : "cut or malformed"));
        delete e;
        *context = nullptr;
    }

    static void OnError(void* cls, const char* format, va_list args) {
        auto* server = static_cast<THttpServer*>(cls);
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        std::string line = text;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (server->FLog) server->FLog("http: " + line);
        if (line.find("`Content-Length' header") != std::string::npos)
            RefuseBrokenLength(*server, 400, "Content-Length is not a number");
        else if (line.find("'Content-Length' header") != std::string::npos)
            RefuseBrokenLength(*server, 413, "Content-Length is too large a number");
    }

    // libmicrohttpd (0.9.75) refuses a Content-Length that it cannot read as a number before
    // any route runs, and logs that first, but then sends the head of its answer twice. The
    // adapter answers that connection itself, once, and ends its sending side: the library's
    // answer then cannot go out, and it closes the connection. The connection is among this
    // event loop's whose request line came and whose head no route has seen; any other of
    // them with such a Content-Length would be refused by the library too.
    static void RefuseBrokenLength(THttpServer& server, int status, const std::string& why) {
        for (TConnection* c : tHeading) {
            const char* length = MHD_lookup_connection_value(c->Handle, MHD_HEADER_KIND, "Content-Length");
            if (c->Refused || !length || ReadableLength(length)) continue;
            httplib::Response res;
            Fail(res, status, why);
            const std::string reply =
                "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) +
                "\r\nConnection: close\r\nContent-Type: text/plain\r\nContent-Length: " +
                std::to_string(res.body.size()) + "\r\n\r\n" + res.body;
            send(c->Fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            shutdown(c->Fd, SHUT_WR);
            c->Refused = true;
            if (server.FLog)
                server.FLog(c->Address + " request refused " + std::to_string(status) + ": " + why);
        }
    }
};

THttpServer::THttpServer(THttpLimits limits) : FLimits(limits) {}

THttpServer::~THttpServer() {
    Stop();
}

void THttpServer::Get(const std::string& pattern, THandler handler) {
    FRoutes.push_back({std::regex(pattern), std::move(handler)});
}

void THttpServer::SetPreRouting(std::function<bool(const TRequest&, TResponse&)> check) {
    FPreRouting = std::move(check);
}

void THttpServer::SetLogger(std::function<void(const std::string&)> log) {
    FLog = std::move(log);
}

bool THttpServer::Start(const std::string& listen, int port, std::string& error) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, listen.c_str(), &address.sin_addr) != 1) {
        error = "cannot listen on " + listen + ": not an IPv4 address";
        return false;
    }
    // One event loop runs on the library's own thread; more make a pool.
    MHD_OptionItem pool[] = {{MHD_OPTION_THREAD_POOL_SIZE, FLimits.Threads, nullptr},
                             {MHD_OPTION_END, 0, nullptr}};
    FDaemon = MHD_start_daemon(
        MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ERROR_LOG | MHD_USE_TURBO, 0, nullptr, nullptr,
        &THttpCallbacks::OnAccess, this, MHD_OPTION_EXTERNAL_LOGGER, &THttpCallbacks::OnError, this,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&address), MHD_OPTION_ARRAY,
        FLimits.Threads > 1 ? pool : pool + 1, MHD_OPTION_LISTEN_BACKLOG_SIZE,
        static_cast<unsigned>(FLimits.Backlog), MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned>(FLimits.IdleTimeout), MHD_OPTION_CONNECTION_MEMORY_LIMIT, FLimits.MaxHead,
        MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(FLimits.MaxConnections),
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, static_cast<unsigned>(FLimits.MaxPerAddress),
        MHD_OPTION_NOTIFY_CONNECTION, &THttpCallbacks::OnConnection, this, MHD_OPTION_URI_LOG_CALLBACK,
        &THttpCallbacks::OnRequestLine, this, MHD_OPTION_NOTIFY_COMPLETED, &THttpCallbacks::OnCompleted, this,
        MHD_OPTION_END);
    if (!FDaemon) {
        error = "cannot listen on " + listen + ":" + std::to_string(port);
        return false;
    }
    const MHD_DaemonInfo* bound = MHD_get_daemon_info(FDaemon, MHD_DAEMON_INFO_BIND_PORT);
    FPort = bound ? bound->port : port;
    FReaper.Start(std::chrono::milliseconds(std::max(100, FLimits.RequestTimeout * 1000 / 4)),
                  [this] { Reap(); });
    return true;
}

void THttpServer::Stop() {
    FReaper.Stop();
    if (FDaemon) MHD_stop_daemon(FDaemon);
    FDaemon = nullptr;
}

// Cuts every connection that has not delivered a whole request within RequestTimeout of
// opening or of its last reply (a client sending its headers a byte at a time, say). The
// socket is shut down, not closed: its event loop sees the end and closes it.
void THttpServer::Reap() {
    const long long limit = static_cast<long long>(FLimits.RequestTimeout) * 1000000000LL;
    const long long now = SteadyNow();
    std::lock_guard<std::mutex> hold(FConnectionsLock);
    for (TConnection* c : FConnections)
        if (!c->Cut && !c->Busy && now - c->Since > limit) {
            c->Cut = true;
            shutdown(c->Fd, SHUT_RDWR);
        }
}

void THttpServer::Reject(MHD_Connection* connection, TExchange& e, int status, const std::string& why) {
    TResponse res;
    Fail(res, status, why);
    res.set_header("Connection", "close"); // what follows on the connection cannot be trusted
    Send(connection, e, res);
}

void THttpServer::Answer(MHD_Connection* connection, TExchange& e) {
    if (e.Connection) e.Connection->Busy = true;
    TRequest req;
    req.method = e.Method;
    req.target = e.Target;
    req.path = e.Path;
    if (e.Connection) {
        req.remote_addr = e.Connection->Address;
        req.remote_port = e.Connection->Port;
    }
    MHD_get_connection_values(
        connection, MHD_HEADER_KIND,
        [](void* headers, MHD_ValueKind, const char* name, const char* value) {
            static_cast<httplib::Headers*>(headers)->emplace(name ? name : "", value ? value : "");
            return MHD_YES;
        },
        &req.headers);
    if (!FTrustedFront.empty() && req.remote_addr == FTrustedFront && req.has_header("X-Real-IP")) {
        const std::string named = req.get_header_value("X-Real-IP");
        if (req.get_header_value_count("X-Real-IP") == 1 && IsAddress(named))
            req.remote_addr = named;
        else if (FLog)
            FLog(req.remote_addr + " X-Real-IP " + LogSafe(named, 60) +
                 " not used: not one address; the request counts as the front's own");
        req.headers.erase("X-Real-IP");
    }
    if (req.headers.size() > FLimits.MaxHeaders)
        return Reject(connection, e, 431,
                      "more than " + std::to_string(FLimits.MaxHeaders) + " header lines");
    ParseQuery(req.target, req.params);

    TResponse res;
    if (FPreRouting && FPreRouting(req, res)) return Send(connection, e, res);
    if (req.method != "GET" && req.method != "HEAD") {
        Fail(res, 405, LogSafe(req.method, 20) + " (only GET and HEAD)");
        return Send(connection, e, res);
    }
    for (const TRoute& route : FRoutes)
        if (std::regex_match(req.path, req.matches, route.Pattern)) {
            res.status = 200;
            route.Handler(req, res);
            return Send(connection, e, res);
        }
    Fail(res, 404, "no such page " + LogSafe(req.path, 100));
    Send(connection, e, res);
}

void THttpServer::Send(MHD_Connection* connection, TExchange& e, TResponse& res) {
    e.Answered = true;
    if (res.status <= 0) res.status = 200;
    MHD_Response* reply =
        MHD_create_response_from_buffer(res.body.size(), res.body.data(), MHD_RESPMEM_MUST_COPY);
    for (const auto& [name, value] : res.headers)
        MHD_add_response_header(reply, name.c_str(), value.c_str());
    MHD_queue_response(connection, static_cast<unsigned>(res.status), reply);
    MHD_destroy_response(reply);
    if (FLog && e.Connection)
        FLog(e.Connection->Address + " " + LogSafe(e.Method) + " " + LogSafe(e.Target) + " " +
             std::to_string(res.status) + " " + std::to_string(res.body.size()));
}

} // namespace maskaddr::service
