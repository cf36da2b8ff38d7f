// maskaddr-service's health rounds: every inventory proxy is asked for the service's own
// check page with the round's fresh token, side by side (HealthClient), and is live only when
// the page came back whole in time, proves it was made this round by this service, and shows
// neither the service's own address nor a forwarding header.
#include "service/Service.h"

#include "service/HealthClient.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <chrono>
#include <stdexcept>

namespace maskaddr::service {
namespace {

std::string Hex(const unsigned char* bytes, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 15];
    }
    return hex;
}

// `bytes` random bytes as hex; empty when the system has none to give.
std::string RandomHex(size_t bytes) {
    std::vector<unsigned char> random(bytes);
    if (RAND_bytes(random.data(), static_cast<int>(bytes)) != 1) return "";
    return Hex(random.data(), bytes);
}

// A token of the check address: what CheckProof accepts.
bool IsToken(const std::string& token) {
    return token.size() >= 16 && token.size() <= 64 &&
           token.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Why a proxy's answer does not make it live; empty when it does.
std::string Verdict(const THttpReply& reply, const std::string& proof, const std::string& own) {
    if (reply.State != THttpReply::Whole) return LogSafe(reply.Why);
    if (reply.Status != 200) return "status " + std::to_string(reply.Status);
    return LogSafe(JudgeCheckPage(reply.Body, proof, own));
}

long MsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count());
}

} // namespace

// 32 random bytes, as hex; a process without them could not tell a proxy's page of its own
// making from the service's, so it does not start.
std::string TService::NewCheckKey() {
    std::string key = RandomHex(32);
    if (key.empty()) throw std::runtime_error("no random bytes for the health check's key");
    return key;
}

std::string TService::CheckProof(const std::string& token) const {
    if (!IsToken(token)) return "";
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    if (!HMAC(EVP_sha256(), FCheckKey.data(), static_cast<int>(FCheckKey.size()),
              reinterpret_cast<const unsigned char*>(token.data()), token.size(), mac, &size))
        return "";
    return Hex(mac, size);
}

// Where the service's own requests reach it.
std::string TService::CheckHost() const {
    return FConfig.Listen == "0.0.0.0" ? "127.0.0.1" : FConfig.Listen;
}

// The check page with the token, asked of the service itself or (the whole address) of a proxy.
std::string TService::CheckRequest(const std::string& token, bool viaProxy) const {
    const std::string host = CheckHost() + ":" + std::to_string(FPort);
    const std::string path = "/checkip?format=text&token=" + token;
    return "GET " + (viaProxy ? "http://" + host + path : path) + " HTTP/1.1\r\nHost: " + host +
           "\r\nConnection: close\r\n\r\n";
}

// The address the service's own requests come from, as its check page sees them directly;
// empty when the page does not answer so.
std::string TService::OwnAddress() {
    const std::string token = RandomHex(16), proof = CheckProof(token);
    std::string own;
    RunProbes(
        {{CheckHost(), static_cast<uint16_t>(FPort), CheckRequest(token, false)}},
        {1, std::chrono::seconds(FConfig.HealthTimeout), 64 * 1024},
        [&](size_t, TProbeResult r) {
            const TCheckSeen seen = ParseCheckText(r.Reply.Body);
            if (r.Reply.State == THttpReply::Whole && r.Reply.Status == 200 && seen.Proof == proof)
                own = seen.IP;
        },
        [this] { return FHealth.Stopping(); });
    return own;
}

void TService::CheckHealthNow() {
    const auto start = std::chrono::steady_clock::now();
    const std::string token = RandomHex(16), proof = CheckProof(token);
    if (token.empty()) return Log("health round not run: no random bytes for its token");
    std::string own = OwnAddress();
    if (own.empty()) own = CheckHost();
    std::vector<THealthResult> results;
    std::vector<TProbe> probes;
    std::vector<size_t> resultOf; // of each probe
    for (const TInventoryProxy& proxy : FInventory) {
        results.push_back({proxy, false, "", 0});
        if (FConfig.HealthLoopbackOnly && !IsLoopbackV4(proxy.IP)) {
            results.back().Reason = "outside 127.0.0.0/8, not contacted (LoopbackOnly)";
            Log("health " + proxy.IP + ":" + std::to_string(proxy.Port) + " dead: " + results.back().Reason);
            continue;
        }
        probes.push_back({proxy.IP, proxy.Port, CheckRequest(token, true)});
        resultOf.push_back(results.size() - 1);
    }
    auto judge = [&](size_t i, TProbeResult r) {
        THealthResult& result = results[resultOf[i]];
        result.Ms = r.Ms;
        result.Reason = Verdict(r.Reply, proof, own);
        result.Live = result.Reason.empty();
        Log("health " + result.Proxy.IP + ":" + std::to_string(result.Proxy.Port) +
            (result.Live ? " live" : " dead: " + result.Reason) + " in " + std::to_string(r.Ms) + " ms");
    };
    const TProbeLimits limits{FConfig.HealthParallel, std::chrono::seconds(FConfig.HealthTimeout), 64 * 1024};
    if (!RunProbes(probes, limits, judge, [this] { return FHealth.Stopping(); }))
        return Log("health round stopped with the service");
    EndRound(std::move(results), static_cast<int>(probes.size()), MsSince(start));
}

// No proxy answering at all may as well mean the service itself is stalled (overloaded,
// under attack): then an empty list would empty every client's pool. It is believed only
// when the check page answers directly.
void TService::EndRound(std::vector<THealthResult> results, int contacted, long ms) {
    std::vector<TInventoryProxy> live;
    for (const THealthResult& r : results)
        if (r.Live) live.push_back(r.Proxy);
    if (live.empty() && contacted > 0 && OwnAddress().empty()) {
        size_t kept = 0;
        {
            std::lock_guard<std::mutex> hold(FStateLock);
            kept = FLive.size();
            ++FRounds;
        }
        return Log("health round found no live proxy, but the check page does not answer directly either: "
                   "keeping the " +
                   std::to_string(kept) + " live proxies of the previous round");
    }
    FStore->SaveRound(results);
    Log("health round: " + std::to_string(contacted) + " proxies checked, " + std::to_string(live.size()) +
        " live, in " + std::to_string(ms) + " ms");
    std::lock_guard<std::mutex> hold(FStateLock);
    FLive = std::move(live);
    ++FRounds;
}

} // namespace maskaddr::service
