// The dated, numbered and signed update replies, and when they are signed again (see
// SignedReplies.h).
#include "service/SignedReplies.h"

#include "service/ServiceLogic.h"

namespace maskaddr::service {

TSignedReplies::TSignedReplies(const TUpdateSigner& signer, TSerials nextSerial, TClock clock)
    : FSigner(signer), FNextSerial(std::move(nextSerial)), FClock(std::move(clock)) {}

// Only the latest reply of each kind is kept: a client, which always asks for the same kind,
// then sees serial numbers that only grow, even when a list changes and changes back within
// a second (that content is signed again with a new number, not served with its older one).
// A clock set back re-signs too: the second differs.
std::optional<std::string> TSignedReplies::Serve(const std::string& kind, const std::string& content) {
    const auto second = std::chrono::floor<std::chrono::seconds>(FClock());
    std::lock_guard<std::mutex> hold(FLock);
    auto latest = FLatest.find(kind);
    if (latest != FLatest.end() && latest->second.Second == second && latest->second.Content == content)
        return latest->second.Bytes;
    const std::optional<uint64_t> serial = FNextSerial();
    if (!serial) return std::nullopt;
    const std::time_t issued = std::chrono::system_clock::to_time_t(second);
    std::string bytes = FSigner.Sign(StampUpdateReply(content, issued, *serial));
    if (bytes.empty()) return std::nullopt;
    FLatest[kind] = TSigned{content, second, bytes};
    return bytes;
}

} // namespace maskaddr::service
