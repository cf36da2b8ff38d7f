// The signature check of the native tests: the same ECDSA P-256 verification that the
// program asks of the system, done by OpenSSL through the service's own signing code.
#pragma once

#include "platform/SignatureVerifier.h"
#include "service/UpdateSigner.h"

namespace maskaddr::test {

class TFakeSignatureVerifier final : public ISignatureVerifier {
public:
    bool VerifyEcdsaP256(const std::string& publicKey, const std::string& data,
                         const std::string& signature) override {
        return service::VerifyEcdsaP256(publicKey, data, signature);
    }
};

} // namespace maskaddr::test
