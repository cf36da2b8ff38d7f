// Plain HTTP GET requests that go straight to the server named in the URL, or through
// one HTTP proxy named by the caller, and never through a proxy of the system's web
// settings. Callable from any thread.
#pragma once

#include <optional>
#include <string>

namespace maskaddr {

class IDirectHttp {
public:
    virtual ~IDirectHttp() = default;
    // The reply body as received (the services answer in UTF-8); nullopt when the URL
    // is unusable, no connection was made, or the status is not 2xx.
    virtual std::optional<std::string> Get(const std::string& url) = 0;
    // The same request sent through the HTTP proxy "address:port", given up after
    // timeoutMs for each of connecting, sending and receiving.
    virtual std::optional<std::string> GetThroughProxy(const std::string& url, const std::string& proxy,
                                                       int timeoutMs) = 0;
};

} // namespace maskaddr
