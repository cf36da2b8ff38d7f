// HTTP through the system's own web settings (WinINet with the preconfigured
// access type): requests follow whatever proxy the system is set to at the time.
// One transfer object serves one request on one worker thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace maskaddr {

struct TInetRequest {
    std::string Agent; // empty: no agent name
    std::string Host;
    uint16_t Port = 80;
    bool Secure = false; // TLS, to a host whose certificate names it
    bool Reload = true;  // plain HTTP: bypass the cache
    std::string Verb = "GET";
    std::string Path = "/";
    std::string Referer;
    std::string AcceptType = "*";
    std::string UserName, Password;
    std::string Headers; // extra request header lines
    std::string Body;    // sent whole
    // Straight to the host, never through a proxy of the system's web settings, neither
    // cached nor given cookies; given up after TimeoutMs for each of connecting, sending and
    // receiving (0: the system's own).
    bool Direct = false;
    int TimeoutMs = 0;
    // When the whole transfer must be over: each wait (connecting, sending, for the reply's
    // head, in every read) is limited to the time left, and once it is gone the next step
    // fails. A head that trickles in byte by byte can still outlast it inside the system's
    // call; the caller bounds that itself.
    std::chrono::steady_clock::time_point Deadline = std::chrono::steady_clock::time_point::max();
};

class IInetTransfer {
public:
    virtual ~IInetTransfer() = default;
    // Opens the session, connects and sends the request; false when any step failed.
    virtual bool Send(const TInetRequest& request) = 0;
    virtual int StatusCode() = 0;
    // The reply's length header, nullopt when it has none.
    virtual std::optional<int64_t> ContentLength() = 0;
    // Waits for the reply's next bytes and reads those that have arrived, up to size; false
    // on a failed read (the deadline included); got 0 at the end.
    virtual bool Read(char* buffer, uint32_t size, uint32_t& got) = 0;
};

class IInetClient {
public:
    virtual ~IInetClient() = default;
    virtual std::unique_ptr<IInetTransfer> NewTransfer() = 0;
};

// Runs the user-interface thread's pending messages once (used by waits that must keep
// the program responsive).
class IMessagePump {
public:
    virtual ~IMessagePump() = default;
    virtual void ProcessMessages() = 0;
};

} // namespace maskaddr
