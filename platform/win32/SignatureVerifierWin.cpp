// ECDSA P-256 signature verification through bcrypt.dll (see SignatureVerifier.h): the
// public key is imported as an ECCPUBLIC blob, the data hashed with SHA-256, and the raw
// r and s handed to BCryptVerifySignature, which takes them in exactly that form.
#include "platform/win32/Handles.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace maskaddr {

namespace {

constexpr ULONG kCoordinateBytes = 32;
// STATUS_INVALID_SIGNATURE (ntstatus.h, which does not mix with windows.h).
constexpr NTSTATUS kInvalidSignature = static_cast<NTSTATUS>(0xC000A000L);

bool Succeeded(NTSTATUS status, std::string_view call) {
    if (BCRYPT_SUCCESS(status)) return true;
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    TraceFailedCall(call, "", std::string("status ") + code);
    return false;
}

bool Sha256(const std::string& data, unsigned char (&digest)[32]) {
    TCryptAlgorithm sha;
    if (!Succeeded(BCryptOpenAlgorithmProvider(sha.Receive(), BCRYPT_SHA256_ALGORITHM, nullptr, 0),
                   "BCryptOpenAlgorithmProvider(SHA256)"))
        return false;
    auto* bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(data.data()));
    return Succeeded(
        BCryptHash(sha.Get(), nullptr, 0, bytes, static_cast<ULONG>(data.size()), digest, sizeof digest),
        "BCryptHash");
}

} // namespace

bool TSignatureVerifierWin::VerifyEcdsaP256(const std::string& publicKey, const std::string& data,
                                            const std::string& signature) {
    if (publicKey.size() != 2 * kCoordinateBytes || signature.size() != 2 * kCoordinateBytes) return false;
    TCryptAlgorithm ecdsa;
    if (!Succeeded(BCryptOpenAlgorithmProvider(ecdsa.Receive(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0),
                   "BCryptOpenAlgorithmProvider(ECDSA_P256)"))
        return false;
    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + publicKey.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinateBytes};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, publicKey.data(), publicKey.size());
    TCryptKey key;
    if (!Succeeded(BCryptImportKeyPair(ecdsa.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.Receive(),
                                       blob.data(), static_cast<ULONG>(blob.size()), 0),
                   "BCryptImportKeyPair(ECCPUBLIC_BLOB)"))
        return false; // not a point of the curve
    unsigned char digest[32];
    if (!Sha256(data, digest)) return false;
    auto* sig = reinterpret_cast<PUCHAR>(const_cast<char*>(signature.data()));
    NTSTATUS status = BCryptVerifySignature(key.Get(), nullptr, digest, sizeof digest, sig,
                                            static_cast<ULONG>(signature.size()), 0);
    if (status == kInvalidSignature) return false; // the answer, not a failure
    return Succeeded(status, "BCryptVerifySignature");
}

} // namespace maskaddr
