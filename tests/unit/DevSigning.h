// Update replies signed the way the service signs them: with the repository's development
// key (the key the test builds compile in), or with another key the program must refuse.
#pragma once

#include "service/UpdateSigner.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace maskaddr::test {

inline std::string SignedWith(const std::string& keyFile, const std::string& reply) {
    std::string error;
    std::unique_ptr<service::TUpdateSigner> signer = service::TUpdateSigner::FromPemFile(keyFile, error);
    if (!signer) throw std::runtime_error(error);
    return signer->Sign(reply);
}

inline std::string DevSigned(const std::string& reply) {
    return SignedWith(MASKADDR_SOURCE_DIR "/keys/update-signing.dev.pem", reply);
}

// A reply as the service sends it: with its issue time (by default the fake clock's moment)
// and serial, signed with the development key.
inline std::string ServiceSigned(const std::string& reply, uint64_t serial = 1,
                                 const std::string& issued = "2025-12-09T12:00:00Z") {
    return DevSigned("issued=" + issued + "\r\nserial=" + std::to_string(serial) + "\r\n" + reply);
}

} // namespace maskaddr::test
