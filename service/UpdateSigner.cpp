// The update reply's signature with OpenSSL 3 (see UpdateSigner.h). OpenSSL's ECDSA
// signatures are DER sequences of r and s; the reply carries them as two fixed 32-byte
// numbers, which is what the program's verifier (BCryptVerifySignature) takes.
#include "service/UpdateSigner.h"

#include "framework/engine/UpdateCheck.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <vector>

namespace maskaddr::service {

namespace {

constexpr int kNumberBytes = 32;
constexpr size_t kRawBytes = 2 * kNumberBytes; // r then s, or X then Y

struct TFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
    void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
};
template <typename T> using TOwned = std::unique_ptr<T, TFree>;

std::string OpenSslError() {
    char text[256] = "no reason given";
    unsigned long code = ERR_get_error();
    if (code != 0) ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

bool IsP256(EVP_PKEY* key) {
    char group[64] = {};
    size_t length = 0;
    return EVP_PKEY_is_a(key, "EC") &&
           EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &length) ==
               1 &&
           std::string(group) == "prime256v1";
}

// The public point of a P-256 key (public or private) as X then Y.
std::optional<std::string> EncodedPoint(EVP_PKEY* key) {
    unsigned char point[1 + kRawBytes];
    size_t length = 0;
    bool ok = EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, point, sizeof point,
                                              &length) == 1 &&
              length == sizeof point && point[0] == 0x04;
    ERR_clear_error();
    if (!ok) return std::nullopt;
    return std::string(reinterpret_cast<char*>(point) + 1, kRawBytes);
}

} // namespace

struct TUpdateSigner::TKey {
    TOwned<EVP_PKEY> Key;
};

TUpdateSigner::TUpdateSigner(std::unique_ptr<TKey> key) : FKey(std::move(key)) {}
TUpdateSigner::~TUpdateSigner() = default;

std::unique_ptr<TUpdateSigner> TUpdateSigner::FromPemFile(const std::string& path, std::string& error) {
    TOwned<BIO> file(BIO_new_file(path.c_str(), "rb"));
    if (!file) {
        error = "cannot read the update signing key " + path;
        ERR_clear_error();
        return nullptr;
    }
    TOwned<EVP_PKEY> key(PEM_read_bio_PrivateKey(file.get(), nullptr, nullptr, nullptr));
    if (!key) {
        error = "the update signing key " + path + " is no private key in PEM form: " + OpenSslError();
        return nullptr;
    }
    if (!IsP256(key.get())) {
        error = "the update signing key " + path + " is not a P-256 (prime256v1) key";
        return nullptr;
    }
    // The public half a file carries is taken as it stands; it must be the one the private
    // half makes, or PublicKey would name another key than the one that signs.
    TOwned<EVP_PKEY_CTX> check(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
    if (!check || EVP_PKEY_pairwise_check(check.get()) != 1) {
        error =
            "the update signing key " + path + " is damaged: its public half does not match its private half";
        ERR_clear_error();
        return nullptr;
    }
    return std::unique_ptr<TUpdateSigner>(new TUpdateSigner(std::make_unique<TKey>(TKey{std::move(key)})));
}

std::string TUpdateSigner::SignatureOf(const std::string& bytes) const {
    TOwned<EVP_MD_CTX> context(EVP_MD_CTX_new());
    size_t length = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, FKey->Key.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &length, data, bytes.size()) != 1)
        return {};
    std::vector<unsigned char> der(length);
    if (EVP_DigestSign(context.get(), der.data(), &length, data, bytes.size()) != 1) return {};
    const unsigned char* at = der.data();
    TOwned<ECDSA_SIG> signature(d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(length)));
    if (!signature) return {};
    std::string raw(kRawBytes, '\0');
    auto* out = reinterpret_cast<unsigned char*>(raw.data());
    if (BN_bn2binpad(ECDSA_SIG_get0_r(signature.get()), out, kNumberBytes) != kNumberBytes ||
        BN_bn2binpad(ECDSA_SIG_get0_s(signature.get()), out + kNumberBytes, kNumberBytes) != kNumberBytes)
        return {};
    return raw;
}

std::string TUpdateSigner::Sign(std::string reply) const {
    const std::string signedBytes = SignableReply(std::move(reply));
    const std::string signature = SignatureOf(signedBytes);
    return signature.empty() ? std::string() : WithSignatureLine(signedBytes, signature);
}

std::string TUpdateSigner::PublicKey() const {
    return EncodedPoint(FKey->Key.get()).value_or("");
}

std::optional<std::string> ReadP256PublicKey(const std::string& path) {
    TOwned<BIO> file(BIO_new_file(path.c_str(), "rb"));
    TOwned<EVP_PKEY> key(file ? PEM_read_bio_PUBKEY(file.get(), nullptr, nullptr, nullptr) : nullptr);
    ERR_clear_error();
    if (!key || !IsP256(key.get())) return std::nullopt;
    return EncodedPoint(key.get());
}

bool VerifyEcdsaP256(const std::string& publicKey, const std::string& data, const std::string& signature) {
    if (publicKey.size() != kRawBytes || signature.size() != kRawBytes) return false;
    std::string point = "\x04" + publicKey;
    char group[] = "prime256v1";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size()),
        OSSL_PARAM_construct_end()};
    TOwned<EVP_PKEY_CTX> build(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* made = nullptr;
    if (!build || EVP_PKEY_fromdata_init(build.get()) != 1 ||
        EVP_PKEY_fromdata(build.get(), &made, EVP_PKEY_PUBLIC_KEY, params) != 1) {
        ERR_clear_error();
        return false; // not a point of the curve
    }
    TOwned<EVP_PKEY> key(made);
    const auto* raw = reinterpret_cast<const unsigned char*>(signature.data());
    TOwned<ECDSA_SIG> sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(raw, kNumberBytes, nullptr);
    BIGNUM* s = BN_bin2bn(raw + kNumberBytes, kNumberBytes, nullptr);
    if (!sig || r == nullptr || s == nullptr || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    unsigned char* der = nullptr;
    int derLength = i2d_ECDSA_SIG(sig.get(), &der);
    TOwned<EVP_MD_CTX> context(EVP_MD_CTX_new());
    bool valid = derLength > 0 && context &&
                 EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
                 EVP_DigestVerify(context.get(), der, static_cast<size_t>(derLength),
                                  reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
    OPENSSL_free(der);
    ERR_clear_error();
    return valid;
}

} // namespace maskaddr::service
