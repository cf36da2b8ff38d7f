// The verification window's logic (see ProxyVerification.h). Requests run on listed
// worker threads; their results come back through the user-interface dispatcher and
// reach the controller only while it lives, so closing the window early drops them.
#include "ui/ProxyVerification.h"

#include "base/ForwardingHeaders.h"
#include "base/Text.h"
#include "framework/threads/WorkerThreads.h"
#include "platform/Platform.h"
#include "proxy/ProxyManager.h"

#include <chrono>
#include <set>

namespace maskaddr {

namespace {

std::string VerdictText(IAppTexts& texts, const TJudgement& j) {
    switch (j.Verdict) {
    case TVerdict::Hides:
        return texts.GetAppStringEx("Testing.Hides", {});
    case TVerdict::Leaks:
        return texts.GetAppStringEx(j.Header.empty() ? "Testing.LeaksAddress" : "Testing.LeaksHeader",
                                    {j.Header});
    default:
        return texts.GetAppStringEx("Testing.NoAnswer", {});
    }
}

} // namespace

std::optional<TCheckReply> ParseCheckReply(const std::string& body) {
    TCheckReply reply;
    bool sawIP = false;
    for (const std::string& line : SplitLines(body)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        std::string name = line.substr(0, eq), value = line.substr(eq + 1);
        if (SameText(name, "IP")) {
            reply.IP = Trim(value);
            sawIP = true;
        } else if (SameText(name, "COUNTRY_SHORT")) {
            reply.CountryShort = value;
        } else if (SameText(name, "COUNTRY_LONG")) {
            reply.CountryLong = value;
        } else {
            reply.Headers.emplace_back(std::move(name), std::move(value));
        }
    }
    if (!sawIP || reply.IP.empty()) return std::nullopt;
    return reply;
}

TJudgement JudgeProxy(const std::optional<TCheckReply>& reply, const std::string& realAddress) {
    if (!reply) return {TVerdict::NoAnswer, ""};
    if (reply->IP == realAddress) return {TVerdict::Leaks, ""};
    for (const auto& [name, value] : reply->Headers)
        if (NamesAddress(value, realAddress)) return {TVerdict::Leaks, name};
    return {TVerdict::Hides, ""};
}

std::vector<TProxyRec> ProxiesToVerify(const TProxyManager& pool, const std::string& aCountry) {
    const bool any = aCountry == "UN";
    std::vector<TProxyRec> found;
    std::set<std::string> seen;
    for (bool isSuper : {false, true}) {
        for (const std::string& entry : isSuper ? pool.SuperProxyList() : pool.NormalProxyList()) {
            TProxyRec rec;
            if (!ParseProxyEntry(entry, isSuper, rec)) continue;
            if (!any && !SameText(rec.Country_Short, aCountry)) continue;
            if (seen.insert(LowerAscii(rec.IP + ":" + rec.Port)).second) found.push_back(std::move(rec));
        }
    }
    if (!any || found.size() <= kSampleSize) return found;
    std::vector<TProxyRec> sample;
    for (size_t i = 0; i < kSampleSize; ++i)
        sample.push_back(found[i * found.size() / kSampleSize]);
    return sample;
}

TTestingController::TTestingController(ITestingView& view, std::vector<TProxyRec> proxies,
                                       std::string checkURL, IAppTexts& texts, const TPlatform& platform)
    : FView(view), FTexts(texts), FPlatform(platform), FProxies(std::move(proxies)),
      FCheckURL(std::move(checkURL)), FResults(FProxies.size()) {}

std::string TTestingController::Text(const std::string& key, const std::vector<std::string>& args) {
    return FTexts.GetAppStringEx(key, args);
}

void TTestingController::FormCreate() {
    FView.SetProgress(0, FProxies.size());
    if (FProxies.empty()) {
        FView.SetInfo(Text("Testing.NoProxies"));
        return;
    }
    IDirectHttp* http = FPlatform.Http;
    IUiDispatcher* ui = FPlatform.Ui;
    auto done = FAlive.Guard(
        [](TTestingController& c, const std::optional<std::string>& body) { c.RealAddressGot(body); });
    if (!WorkerThreads::Start([http, ui, url = FCheckURL, done] {
            std::optional<std::string> body = http->Get(url);
            ui->Post([done, body] { done(body); });
        }))
        RealAddressGot(std::nullopt);
}

void TTestingController::RealAddressGot(const std::optional<std::string>& body) {
    std::optional<TCheckReply> direct = body ? ParseCheckReply(*body) : std::nullopt;
    if (!direct) {
        FView.SetInfo(Text("Testing.NoServer"));
        return;
    }
    FRealAddress = direct->IP;
    for (size_t i = 0; i < kParallel; ++i)
        StartNext();
}

// One more proxy's request on a worker of its own; its latency includes a timeout.
void TTestingController::StartNext() {
    if (FNext >= FProxies.size()) return;
    const size_t index = FNext++;
    const std::string proxy = FProxies[index].IP + ":" + FProxies[index].Port;
    IDirectHttp* http = FPlatform.Http;
    IUiDispatcher* ui = FPlatform.Ui;
    auto done = FAlive.Guard([index](TTestingController& c, const std::optional<std::string>& body, long ms) {
        c.ProxyChecked(index, body, ms);
    });
    const bool started = WorkerThreads::Start([http, ui, url = FCheckURL, proxy, done] {
        const auto start = std::chrono::steady_clock::now();
        std::optional<std::string> body = http->GetThroughProxy(url, proxy, kTimeoutMs, nullptr);
        const long ms = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
        ui->Post([done, body, ms] { done(body, ms); });
    });
    if (!started) ProxyChecked(index, std::nullopt, 0);
}

void TTestingController::ProxyChecked(size_t index, const std::optional<std::string>& body, long ms) {
    const TProxyRec& proxy = FProxies[index];
    std::optional<TCheckReply> reply = body ? ParseCheckReply(*body) : std::nullopt;
    TJudgement judgement = JudgeProxy(reply, FRealAddress);
    std::string country = proxy.Country_Long;
    if (reply) country = !reply->CountryLong.empty() ? reply->CountryLong : reply->CountryShort;
    FView.AppendLog(Text("Testing.Line", {proxy.IP + ":" + proxy.Port, country, std::to_string(ms),
                                          VerdictText(FTexts, judgement)}));
    FResults[index] = std::move(judgement);
    FView.SetProgress(++FDone, FProxies.size());
    if (FDone == FProxies.size()) return Finish();
    StartNext();
}

// The window closes by itself only when every tested proxy hides.
void TTestingController::Finish() {
    size_t hiding = 0;
    for (const std::optional<TJudgement>& r : FResults)
        hiding += r && r->Verdict == TVerdict::Hides ? 1 : 0;
    FView.SetInfo(Text("Testing.Summary", {std::to_string(hiding), std::to_string(FProxies.size())}));
    if (hiding == FProxies.size()) FView.CloseAfter(kCloseDelayMs);
}

} // namespace maskaddr
