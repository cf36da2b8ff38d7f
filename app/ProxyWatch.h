// TProxyWatch: while hiding, asks the service's check through the proxy in use every
// 20 seconds. A proxy that refuses, leaks the user's address, or fails twice in a row is
// dead: the next idle proxy of the country that answers takes its place. When none
// answers the browsers stay where they are (never direct) and the country's proxies are
// tried again every minute.
#pragma once

#include "base/DateTime.h"
#include "framework/threads/Lifeline.h"
#include "platform/DirectHttp.h"
#include "platform/Platform.h"
#include "proxy/ProxyRec.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace maskaddr {

class TProxyManager;

// What the watch needs of the main window.
class IProxyWatchHost {
public:
    virtual ~IProxyWatchHost() = default;
    virtual TProxyManager* Pool() = 0;
    // The address the service sees without a proxy (the user's own lookup).
    virtual std::string RealAddress() = 0;
    // Points the browsers at a proxy that answered, as a rotation does.
    virtual void MoveToProxy(const TProxyRec& proxy) = 0;
    // No proxy of the country answers (true), or one answers again (false).
    virtual void NoProxyAnswers(bool none) = 0;
};

class TCLSettings;

class TProxyWatch {
public:
    static constexpr int kCheckSeconds = 20, kRetrySeconds = 60, kDeadlineMs = 10000;

    TProxyWatch(IProxyWatchHost& host, const TPlatform& platform, TCLSettings& settings)
        : FHost(host), FPlatform(platform), FSettings(settings) {}
    TProxyWatch(const TProxyWatch&) = delete;
    TProxyWatch& operator=(const TProxyWatch&) = delete;

    // A hide pointed the browsers at a proxy: it is checked kCheckSeconds from now.
    void Start();
    // Not hiding any more: nothing runs, and replies still on their way are dropped.
    void Stop();
    // Every second from the main window's timer.
    void Tick();
    // The proxy in use is no longer listed: move off it now.
    void Withdrawn();
    bool FailedClosed() const { return FState == TState::FailedClosed; }

private:
    enum class TState { Off, Watching, Replacing, FailedClosed };
    enum class TPurpose { Check, Candidate, Retry };
    struct TOutcome {
        bool Answers = false; // the check's page, hiding the user's address
        bool Dead = false;    // refused, or leaks: no second chance
    };

    void Probe(const TProxyRec& proxy, TPurpose purpose);
    void Checked(const TProxyRec& proxy, TPurpose purpose, const std::optional<std::string>& body,
                 THttpFailure failure);
    TOutcome Judge(const TProxyRec& proxy, const std::optional<std::string>& body, THttpFailure failure);
    void Replace();
    void NextCandidate();
    void FailClosed();
    void NextRetry();

    IProxyWatchHost& FHost;

    TPlatform FPlatform;

    TCLSettings& FSettings;
    TState FState = TState::Off;
    uint64_t FGeneration = 0; // replies of an earlier generation are dropped
    bool FInFlight = false;
    int FStrikes = 0;              // timeouts and other failures in a row of the proxy in use
    TDateTime FDue = 0;            // the next check, or the next retry round
    std::vector<TProxyRec> FRound; // the retry round's proxies, and the next to try
    size_t FRoundNext = 0;
    TLifeline<TProxyWatch> FAlive{this};
};

} // namespace maskaddr
