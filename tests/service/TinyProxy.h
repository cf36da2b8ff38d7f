// A real tinyproxy for the service tests: listens on a loopback address and connects out
// from another; started with its own configuration, stopped by its process id.
#pragma once

#include <netinet/in.h>
#include <string>
#include <sys/types.h>

namespace maskaddr::test {

// The socket address of an IPv4 text and a port.
sockaddr_in SocketAddress(const std::string& ip, int port);
// A TCP port that nothing listens on at `ip` right now (the kernel's choice).
int FreePort(const std::string& ip);
// Whether something accepts connections at ip:port.
bool Accepts(const std::string& ip, int port);

class TTinyProxy {
public:
    // `bind` empty: tinyproxy connects out from the system's choice (127.0.0.1 on loopback).
    // `extra` lines are appended to the configuration.
    TTinyProxy(const std::string& listen, const std::string& bind, const std::string& extra = "");
    ~TTinyProxy();
    TTinyProxy(const TTinyProxy&) = delete;
    TTinyProxy& operator=(const TTinyProxy&) = delete;

    bool Running() const { return FPid > 0; }
    int Port() const { return FPort; }
    std::string Log() const;

private:
    std::string FDir;
    pid_t FPid = -1;
    int FPort = 0;
};

} // namespace maskaddr::test
