// Plain HTTP GET requests that go straight to the server named in the URL, or through
// one HTTP proxy named by the caller, and never through a proxy of the system's web
// settings. Callable from any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace maskaddr {

// Why a request through a proxy gave no reply: the proxy refused the connection (or none
// could be made), a step outlasted the deadline, or anything else (an error status, a reply
// that was cut off or too long).
enum class THttpFailure { None, Refused, TimedOut, Other };

class IDirectHttp {
public:
    virtual ~IDirectHttp() = default;
    // Neither kind of request reads a reply over kReplyLimit: it counts as no reply.
    static constexpr size_t kReplyLimit = 64 * 1024;
    // The reply body as received (the services answer in UTF-8); nullopt when the URL
    // is unusable, no connection was made, or the status is not 2xx.
    virtual std::optional<std::string> Get(const std::string& url) = 0;
    // The same request sent through the HTTP proxy "address:port", given up when the whole
    // exchange outlasts timeoutMs. On no reply, *failure (when given) says why.
    virtual std::optional<std::string> GetThroughProxy(const std::string& url, const std::string& proxy,
                                                       int timeoutMs, THttpFailure* failure) = 0;
};

} // namespace maskaddr
