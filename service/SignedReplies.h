// The update replies as served: dated, numbered from the state store and signed. Signing
// costs far more than building a reply, so the signed bytes are kept and served again until
// the reply's content changes or the clock enters another second.
#pragma once

#include "service/UpdateSigner.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace maskaddr::service {

class TSignedReplies {
public:
    using TClock = std::function<std::chrono::system_clock::time_point()>;
    // The next serial number (TStateStore::NextSerial); nullopt when none can be had.
    using TSerials = std::function<std::optional<uint64_t>()>;

    TSignedReplies(const TUpdateSigner& signer, TSerials nextSerial,
                   TClock clock = std::chrono::system_clock::now);

    // `content` (BuildUpdateReply's lines) stamped with the time and a serial number
    // (StampUpdateReply) and signed; nullopt when no serial or no signature can be had. The
    // clients of one `kind` of reply (the up-to-date ones, say) are served the same bytes
    // within one second while the content stays; safe from several threads at once.
    std::optional<std::string> Serve(const std::string& kind, const std::string& content);

private:
    struct TSigned {
        std::string Content;
        std::chrono::system_clock::time_point Second; // the second it was issued in
        std::string Bytes;
    };

    const TUpdateSigner& FSigner;
    TSerials FNextSerial;
    TClock FClock;
    std::mutex FLock; // held while signing, so that one second of one kind costs one serial
    std::map<std::string, TSigned> FLatest; // by kind
};

} // namespace maskaddr::service
