// Signing of the update reply with OpenSSL: ECDSA P-256 over the SHA-256 of the reply's
// bytes, appended as its last line "signature=" + base64 of r and s (32 bytes each), the
// form the program checks with the system's own cryptography. Also the matching check.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace maskaddr::service {

class TUpdateSigner {
public:
    // The P-256 private key of a PEM file ("EC PRIVATE KEY" or "PRIVATE KEY"); null with a
    // reason when the file cannot be read or holds another kind of key.
    static std::unique_ptr<TUpdateSigner> FromPemFile(const std::string& path, std::string& error);
    ~TUpdateSigner();
    TUpdateSigner(const TUpdateSigner&) = delete;
    TUpdateSigner& operator=(const TUpdateSigner&) = delete;

    // The reply with its signature line (see SignableReply and WithSignatureLine); empty when
    // signing fails. Safe from several threads at once.
    std::string Sign(std::string reply) const;
    // The raw signature (r then s) over the bytes; empty when signing fails. Safe from
    // several threads at once.
    std::string SignatureOf(const std::string& bytes) const;
    // The public half of the key as X then Y (32 bytes each).
    std::string PublicKey() const;

private:
    struct TKey;
    explicit TUpdateSigner(std::unique_ptr<TKey> key);
    std::unique_ptr<TKey> FKey;
};

// The public key of a PEM file ("PUBLIC KEY") as X then Y (32 bytes each); nullopt when it
// is no P-256 key.
std::optional<std::string> ReadP256PublicKey(const std::string& path);
// True when `signature` (r then s) is a signature over `data` by the key X then Y.
bool VerifyEcdsaP256(const std::string& publicKey, const std::string& data, const std::string& signature);

} // namespace maskaddr::service
