// Fake proxies for the health tests: a listening socket of their own, a thread per connection.
#include "service/FakeProxy.h"
#include "service/TinyProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace maskaddr::test {
namespace {

bool SendAll(int fd, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// The request head, up to its blank line (at most 8 KB).
std::string ReadHead(int fd) {
    std::string head;
    char c;
    while (head.size() < 8192 && head.find("\r\n\r\n") == std::string::npos && recv(fd, &c, 1, 0) == 1)
        head += c;
    return head;
}

std::string Page(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

void TOpenCount::Opened(int fd) {
    std::lock_guard<std::mutex> hold(FLock);
    FFds.insert(fd);
    int open = 0;
    for (int other : FFds) {
        char c;
        open += recv(other, &c, 1, MSG_PEEK | MSG_DONTWAIT) != 0 ? 1 : 0; // 0: its end has come
    }
    FPeak = std::max(FPeak, open);
}

void TOpenCount::Ended(int fd) {
    std::lock_guard<std::mutex> hold(FLock);
    FFds.erase(fd);
}

int TOpenCount::Peak() const {
    std::lock_guard<std::mutex> hold(FLock);
    return FPeak;
}

std::vector<std::string> TFakeProxy::Heads() const {
    std::lock_guard<std::mutex> hold(FLock);
    return FHeads;
}

TFakeProxy::TFakeProxy(const std::string& ip, TFakeKind kind, TOpenCount* count)
    : FIP(ip), FKind(kind), FCount(count) {
    FListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = SocketAddress(ip, 0);
    socklen_t size = sizeof a;
    if (bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(FListen, 64) != 0 ||
        getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &size) != 0)
        return;
    FPort = ntohs(a.sin_port);
    FAcceptor = std::thread([this] { Accept(); });
}

TFakeProxy::~TFakeProxy() {
    FStop = true;
    if (FAcceptor.joinable()) FAcceptor.join();
    {
        std::lock_guard<std::mutex> hold(FLock);
        for (int fd : FClients)
            shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& t : FServers)
        t.join();
    for (int fd : FClients)
        close(fd);
    close(FListen);
}

void TFakeProxy::Accept() {
    while (!FStop) {
        pollfd ready{FListen, POLLIN, 0};
        if (poll(&ready, 1, 50) != 1) continue;
        const int client = accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        ++FAccepted;
        if (FCount) FCount->Opened(client);
        std::lock_guard<std::mutex> hold(FLock);
        FClients.push_back(client);
        FServers.emplace_back([this, client] {
            Serve(client);
            if (FCount) FCount->Ended(client);
        });
    }
}

void TFakeProxy::Serve(int client) {
    const std::string head = ReadHead(client);
    {
        std::lock_guard<std::mutex> hold(FLock);
        FHeads.push_back(head);
    }
    const size_t token = head.find("token=");
    switch (FKind) {
    case TFakeKind::Honest:
    case TFakeKind::Forwarding:
        Relay(client, head);
        break;
    case TFakeKind::Canned:
        SendAll(client, Page("IP=203.0.113.7\r\nCOUNTRY_SHORT=US\r\n"));
        break;
    case TFakeKind::Echo: // a page of its own, with the token it saw in the address
        SendAll(client, Page("IP=203.0.113.7\r\nPROOF=" +
                             head.substr(token + 6, head.find_first_of("& ", token) - token - 6) + "\r\n"));
        break;
    case TFakeKind::Dribbling: // a byte every 200 ms until the other side leaves
        for (const char c :
             std::string("HTTP/1.1 200 OK\r\nContent-Length: 9999\r\n\r\n") + std::string(9999, 'd')) {
            pollfd gone{client, POLLIN, 0};
            if (FStop || send(client, &c, 1, MSG_NOSIGNAL) != 1 || poll(&gone, 1, 200) != 0) break;
        }
        break;
    case TFakeKind::Closing:
        break;
    case TFakeKind::Endless: // 300 MB, until the other side stops reading
        if (!SendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 314572800\r\n\r\n")) break;
        for (int i = 0; i < 4800 && !FStop && SendAll(client, std::string(65536, 'e')); ++i) {
        }
        break;
    }
    shutdown(client, SHUT_RDWR);
}

// Asks the service named in the request's whole address for its path, from this fake's own
// address, and passes the answer back.
void TFakeProxy::Relay(int client, const std::string& request) {
    const size_t hostAt = request.find("http://") + 7, pathAt = request.find('/', hostAt);
    const std::string host = request.substr(hostAt, pathAt - hostAt);
    const std::string path = request.substr(pathAt, request.find(' ', pathAt) - pathAt);
    const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const size_t colon = host.find(':');
    sockaddr_in from = SocketAddress(FIP, 0),
                to = SocketAddress(host.substr(0, colon), std::stoi(host.substr(colon + 1)));
    if (bind(server, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
        connect(server, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
        SendAll(server, "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n" +
                            (FKind == TFakeKind::Forwarding ? "Via: 1.1 fake\r\n" : "") + "\r\n")) {
        char buffer[4096];
        for (ssize_t n; (n = recv(server, buffer, sizeof buffer, 0)) > 0;)
            SendAll(client, std::string(buffer, static_cast<size_t>(n)));
    }
    close(server);
}

} // namespace maskaddr::test
