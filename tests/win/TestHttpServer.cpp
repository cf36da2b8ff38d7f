// The tests' HTTP server (see TestHttpServer.h): Winsock, one connection at a time.
#include "TestHttpServer.h"

#include <ws2tcpip.h>

#include <chrono>

namespace maskaddr::test {

namespace {

const char* ReasonPhrase(int status) {
    return status == 200 ? "OK" : status == 404 ? "Not Found" : "Other";
}

// "GET /a/b?x=1 HTTP/1.1" -> "/a/b"; an absolute target loses its scheme and host.
std::string PathOf(const std::string& head) {
    const size_t start = head.find(' ') + 1;
    std::string target = head.substr(start, head.find(' ', start) - start);
    if (target.rfind("http://", 0) == 0) target = target.substr(target.find('/', 7));
    return target.substr(0, target.find('?'));
}

} // namespace

TTestHttpServer::TTestHttpServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    FListener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(FListener, 16);
    int length = sizeof address;
    getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length);
    FPort = ntohs(address.sin_port);
    FThread = std::thread([this] { Serve(); });
}

TTestHttpServer::~TTestHttpServer() {
    FStop = true;
    FThread.join();
    closesocket(FListener);
    WSACleanup();
}

TClosedPort::TClosedPort(const char* host) : FHost(host) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    FSocket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    int length = sizeof address;
    if (inet_pton(AF_INET, host, &address.sin_addr) == 1 &&
        bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(FSocket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        FPort = ntohs(address.sin_port);
}

TClosedPort::~TClosedPort() {
    closesocket(FSocket);
    WSACleanup();
}

std::string TTestHttpServer::Url(const std::string& target) const {
    return "http://127.0.0.1:" + std::to_string(FPort) + target;
}

void TTestHttpServer::SetReply(const std::string& path, TReply reply) {
    std::lock_guard lock(FMutex);
    FReplies[path] = std::move(reply);
}

std::vector<std::string> TTestHttpServer::Requests() {
    std::lock_guard lock(FMutex);
    return FRequests;
}

bool TTestHttpServer::WaitForRequests(size_t count, unsigned timeoutMs) {
    std::unique_lock lock(FMutex);
    return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return FRequests.size() >= count; });
}

void TTestHttpServer::Serve() {
    while (!FStop) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(FListener, &readable);
        timeval wait{0, 50000};
        if (select(0, &readable, nullptr, nullptr, &wait) != 1) continue;
        SOCKET client = accept(FListener, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        Answer(client);
        closesocket(client);
    }
}

void TTestHttpServer::Answer(SOCKET client) {
    DWORD timeoutMs = 5000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        head.append(buffer, static_cast<size_t>(got));
    }
    head.resize(head.find("\r\n\r\n"));
    TReply reply{404, "not found", true, -1, 0};
    {
        std::lock_guard lock(FMutex);
        auto it = FReplies.find(PathOf(head));
        if (it != FReplies.end()) reply = it->second;
    }
    const int64_t length =
        reply.DeclaredLength >= 0 ? reply.DeclaredLength : static_cast<int64_t>(reply.Body.size());
    std::string response = "HTTP/1.1 " + std::to_string(reply.Status) + " " + ReasonPhrase(reply.Status) +
                           "\r\nContent-Type: text/plain; charset=utf-8\r\n" +
                           (reply.LengthHeader ? "Content-Length: " + std::to_string(length) + "\r\n" : "") +
                           "Connection: close\r\n\r\n";
    if (reply.Silent) {
        KeepSilent(client);
        response.clear();
    } else if (reply.TrickleMs != 0) {
        if (!reply.TrickleHead) {
            send(client, response.data(), static_cast<int>(response.size()), 0);
            response.clear();
        }
        Trickle(client, response + reply.Body, reply.TrickleMs);
        response.clear();
    } else if (reply.DelayMs == 0) {
        response += reply.Body;
    } else {
        send(client, response.data(), static_cast<int>(response.size()), 0);
        Sleep(reply.DelayMs);
        response = reply.Body;
    }
    for (size_t sent = 0; sent < response.size();) {
        const int n = send(client, response.data() + sent, static_cast<int>(response.size() - sent), 0);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    shutdown(client, SD_SEND);
    // Record after answering, so a test that saw the request also sees it answered.
    std::lock_guard lock(FMutex);
    FRequests.push_back(head);
    FChanged.notify_all();
}

void TTestHttpServer::Trickle(SOCKET client, const std::string& bytes, unsigned pauseMs) {
    for (char byte : bytes) {
        if (send(client, &byte, 1, 0) != 1) return;
        for (unsigned waited = 0; waited < pauseMs; waited += 50) {
            if (FStop) return;
            Sleep(50);
        }
    }
}

void TTestHttpServer::KeepSilent(SOCKET client) {
    while (!FStop) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        timeval wait{0, 50000};
        char byte;
        if (select(0, &readable, nullptr, nullptr, &wait) == 1 && recv(client, &byte, 1, 0) <= 0) return;
    }
}

} // namespace maskaddr::test
