// Fake proxies of the health tests' own, each on a loopback address and a port the kernel
// picked free: an honest one that fetches the page from its own address, and the kinds that
// must not pass for live (a canned page, a page of its own with the token it saw, one byte
// at a time, a close without a word, an endless answer, a forwarding header).
#pragma once

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace maskaddr::test {

enum class TFakeKind { Honest, Forwarding, Canned, Echo, Dribbling, Closing, Endless };

// The most connections open at once at the fakes that share it. A connection counts until the
// other side closes it, as the kernel tells (not when the fake's thread notices), so that a
// close followed by a new connection is never counted as two at once.
class TOpenCount {
public:
    void Opened(int fd);
    void Ended(int fd);
    int Peak() const;

private:
    mutable std::mutex FLock;
    std::set<int> FFds;
    int FPeak = 0;
};

class TFakeProxy {
public:
    TFakeProxy(const std::string& ip, TFakeKind kind, TOpenCount* count = nullptr);
    ~TFakeProxy();
    TFakeProxy(const TFakeProxy&) = delete;
    TFakeProxy& operator=(const TFakeProxy&) = delete;

    const std::string& IP() const { return FIP; }
    int Port() const { return FPort; }
    int Accepted() const { return FAccepted; }
    // The request heads received so far.
    std::vector<std::string> Heads() const;

private:
    void Accept();
    void Serve(int client);
    void Relay(int client, const std::string& request);

    std::string FIP;
    TFakeKind FKind;
    TOpenCount* FCount;
    int FListen = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::atomic<int> FAccepted{0};
    mutable std::mutex FLock; // FClients, FServers, FHeads
    std::vector<int> FClients;
    std::vector<std::string> FHeads;
    std::vector<std::thread> FServers;
    std::thread FAcceptor;
};

} // namespace maskaddr::test
