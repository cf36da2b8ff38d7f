// The watch of the proxy in use (see ProxyWatch.h). Each probe is one request through one
// proxy on a listed worker thread; its result comes back through the user-interface
// dispatcher and is dropped when the watch has moved on since (a stop, a new hide).
#include "app/ProxyWatch.h"
#include "app/AppSettings.h"

#include "base/DebugTrace.h"
#include "framework/settings/CLSettings.h"
#include "framework/threads/WorkerThreads.h"
#include "platform/Platform.h"
#include "proxy/ProxyManager.h"
#include "ui/ProxyVerification.h"

namespace maskaddr {

namespace {

constexpr char kTag[] = "CLWatch";

TDateTime SecondsFromNow(IClock& clock, int seconds) {
    return clock.Now() + seconds / 86400.0;
}

std::string Address(const TProxyRec& proxy) {
    return proxy.IP + ":" + proxy.Port;
}

const char* FailureText(THttpFailure failure) {
    switch (failure) {
    case THttpFailure::Refused:
        return "refused";
    case THttpFailure::TimedOut:
        return "timed out";
    default:
        return "no usable reply";
    }
}

} // namespace

void TProxyWatch::Start() {
    ++FGeneration;
    FInFlight = false;
    FState = TState::Watching;
    FStrikes = 0;
    FDue = SecondsFromNow(*FPlatform.Clock, kCheckSeconds);
}

void TProxyWatch::Stop() {
    ++FGeneration;
    FInFlight = false;
    FState = TState::Off;
}

void TProxyWatch::Tick() {
    if (FState == TState::Off || FInFlight) return;
    if (FState == TState::Replacing) return NextCandidate(); // a probe that could not start
    if (FPlatform.Clock->Now() < FDue) return;
    if (FState == TState::Watching) {
        if (TProxyManager* pool = FHost.Pool()) Probe(pool->TargetProxy(), TPurpose::Check);
        return;
    }
    // Failed closed: a new round over every proxy of the country, dead ones included.
    TProxyManager* pool = FHost.Pool();
    FRound = pool != nullptr ? ProxiesToVerify(*pool, pool->TargetCountry()) : std::vector<TProxyRec>();
    FRoundNext = 0;
    NextRetry();
}

void TProxyWatch::Withdrawn() {
    if (FState == TState::Off) return;
    DebugTrace::Trace(kTag, "The proxy in use is no longer listed");
    ++FGeneration;
    FInFlight = false;
    FState = TState::Replacing;
    NextCandidate();
}

void TProxyWatch::Probe(const TProxyRec& proxy, TPurpose purpose) {
    IDirectHttp* http = FPlatform.Http;
    IUiDispatcher* ui = FPlatform.Ui;
    const std::string url = FSettings.GetSettingString("URL.VerifyIP");
    FDue = SecondsFromNow(*FPlatform.Clock, kCheckSeconds);
    if (http == nullptr || ui == nullptr || url.empty()) {
        DebugTrace::Trace(kTag, "No check address or HTTP client: the proxy in use is not checked");
        return;
    }
    auto done =
        FAlive.Guard([generation = FGeneration, proxy,
                      purpose](TProxyWatch& w, const std::optional<std::string>& body, THttpFailure failure) {
            if (generation != w.FGeneration) return;
            w.FInFlight = false;
            w.Checked(proxy, purpose, body, failure);
        });
    FInFlight = WorkerThreads::Start([http, ui, url, address = Address(proxy), done] {
        THttpFailure failure = THttpFailure::None;
        std::optional<std::string> body = http->GetThroughProxy(url, address, kDeadlineMs, &failure);
        ui->Post([done, body = std::move(body), failure] { done(body, failure); });
    });
    if (!FInFlight) DebugTrace::Trace(kTag, "The check of " + Address(proxy) + " could not start");
}

TProxyWatch::TOutcome TProxyWatch::Judge(const TProxyRec& proxy, const std::optional<std::string>& body,
                                         THttpFailure failure) {
    if (!body) {
        DebugTrace::Trace(kTag, Address(proxy) + ": " + FailureText(failure));
        return {false, failure == THttpFailure::Refused};
    }
    const TJudgement judgement = JudgeProxy(ParseCheckReply(*body), FHost.RealAddress());
    switch (judgement.Verdict) {
    case TVerdict::Hides:
        DebugTrace::Trace(kTag, Address(proxy) + ": answers");
        return {true, false};
    case TVerdict::Leaks:
        DebugTrace::Trace(kTag, Address(proxy) + ": leaks the user's address" +
                                    (judgement.Header.empty() ? "" : " in " + judgement.Header));
        return {false, true};
    default:
        DebugTrace::Trace(kTag, Address(proxy) + ": a reply that is not the check's");
        return {false, false};
    }
}

void TProxyWatch::Checked(const TProxyRec& proxy, TPurpose purpose, const std::optional<std::string>& body,
                          THttpFailure failure) {
    const TOutcome outcome = Judge(proxy, body, failure);
    TProxyManager* pool = FHost.Pool();
    if (pool == nullptr) return;
    switch (purpose) {
    case TPurpose::Check:
        if (outcome.Answers) {
            FStrikes = 0;
        } else if (outcome.Dead || ++FStrikes >= 2) {
            Replace();
        } else {
            FDue = 0; // once more at the next tick: a second failure in a row is death
        }
        return;
    case TPurpose::Candidate:
        if (outcome.Answers) return FHost.MoveToProxy(proxy); // the move starts a new watch
        pool->MarkDead(proxy);
        return NextCandidate();
    case TPurpose::Retry:
        if (!outcome.Answers) return NextRetry();
        // The whole country failed and one answers again: the network was away, not the
        // proxies, so every proxy may be tried again.
        pool->ForgetDead();
        FHost.MoveToProxy(proxy);
        FHost.NoProxyAnswers(false);
        return;
    }
}

void TProxyWatch::Replace() {
    if (TProxyManager* pool = FHost.Pool()) pool->MarkDead(pool->TargetProxy());
    FState = TState::Replacing;
    NextCandidate();
}

// The next idle proxy of the country as a rotation would choose it; none is left when the
// choice falls back to a dead proxy or to one that is no longer listed.
void TProxyWatch::NextCandidate() {
    TProxyManager* pool = FHost.Pool();
    if (pool == nullptr) return;
    const TProxyRec next = pool->GetIdleProxy(pool->TargetCountry(), false, TProxyRange::KAll, true);
    if (next.IP.empty() || pool->IsDead(next) || !pool->IsListed(next)) return FailClosed();
    Probe(next, TPurpose::Candidate);
}

void TProxyWatch::FailClosed() {
    const bool told = FState == TState::FailedClosed;
    FState = TState::FailedClosed;
    FDue = SecondsFromNow(*FPlatform.Clock, kRetrySeconds);
    DebugTrace::Trace(kTag, "No proxy of the country answers: the browsers stay on the last one");
    if (!told) FHost.NoProxyAnswers(true);
}

void TProxyWatch::NextRetry() {
    if (FRoundNext >= FRound.size()) {
        FDue = SecondsFromNow(*FPlatform.Clock, kRetrySeconds);
        return;
    }
    Probe(FRound[FRoundNext++], TPurpose::Retry);
}

} // namespace maskaddr
