// The health check's HTTP client: many GET exchanges side by side on the calling thread (one
// epoll set), a bounded number at once, each bounded as a whole (connect, request and reply)
// by one deadline and its reply read up to a cap and no further, so that no proxy, however
// slow or talkative, holds up the others or the service's memory.
#pragma once

#include "service/ServiceLogic.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace maskaddr::service {

// One exchange of the health check.
struct TProbe {
    std::string IP; // IPv4: the proxy, or the service itself
    uint16_t Port = 0;
    std::string Request; // sent as it is
};

struct TProbeLimits {
    int Parallel = 64; // exchanges at once
    std::chrono::milliseconds Timeout{5000};
    size_t MaxReply = 64 * 1024; // a longer reply is not read further
};

struct TProbeResult {
    THttpReply Reply; // Whole, or Broken with the reason (a timeout, a refusal, too long, ...)
    long Ms = 0;      // from the start of the connection to the end of the exchange
};

// Runs the probes in order, `done(i, result)` called on this thread as each one ends.
// Returns false when `stopping` turned true first: the probes not yet ended get no call.
bool RunProbes(const std::vector<TProbe>& probes, const TProbeLimits& limits,
               const std::function<void(size_t, TProbeResult)>& done, const std::function<bool()>& stopping);

} // namespace maskaddr::service
