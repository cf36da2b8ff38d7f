// Checks digital signatures with the system's own cryptography: how the program knows
// that an update reply comes from the maker's service and was not changed on its way.
#pragma once

#include <string>

namespace maskaddr {

class ISignatureVerifier {
public:
    virtual ~ISignatureVerifier() = default;
    // True when `signature` (r then s, 32 big-endian bytes each) is an ECDSA signature over
    // the SHA-256 hash of `data` by the P-256 public key `publicKey` (the point's X then Y,
    // 32 big-endian bytes each). Any malformed key or signature is simply not valid.
    virtual bool VerifyEcdsaP256(const std::string& publicKey, const std::string& data,
                                 const std::string& signature) = 0;
};

} // namespace maskaddr
