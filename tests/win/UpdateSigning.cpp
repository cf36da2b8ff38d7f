// Signing with the development key through bcrypt.dll (see UpdateSigning.h). The key file
// is an "EC PRIVATE KEY" of P-256 as openssl writes it: 121 bytes of DER with the private
// number at byte 7 and the public point (04, X, Y) at byte 56.
#include "UpdateSigning.h"

#include "DevSigningKey.h"
#include "base/Text.h"
#include "framework/engine/UpdateCheck.h"
#include "platform/win32/Handles.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace maskaddr::test {

namespace {

struct TDevKey {
    std::string Private, Point; // d; X then Y
};

TDevKey ReadDevKey() {
    const std::string der = Base64Decode(kDevSigningKey).value_or("");
    if (der.size() != 121 || der.compare(5, 2, "\x04\x20") != 0 ||
        der.compare(53, 4, std::string("\x03\x42\x00\x04", 4)) != 0)
        throw std::runtime_error("the development key is no P-256 EC PRIVATE KEY");
    return {der.substr(7, 32), der.substr(57, 64)};
}

void Check(NTSTATUS status, const char* call) {
    if (!BCRYPT_SUCCESS(status)) throw std::runtime_error(std::string(call) + " failed");
}

} // namespace

std::string DevSigned(std::string text) {
    std::string reply = SignableReply(std::move(text));
    static const TDevKey key = ReadDevKey();
    TCryptAlgorithm sha, ecdsa;
    Check(BCryptOpenAlgorithmProvider(sha.Receive(), BCRYPT_SHA256_ALGORITHM, nullptr, 0), "open SHA256");
    Check(BCryptOpenAlgorithmProvider(ecdsa.Receive(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0),
          "open ECDSA");
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 32};
    std::string blob(reinterpret_cast<const char*>(&header), sizeof header);
    blob += key.Point + key.Private;
    TCryptKey signingKey;
    Check(BCryptImportKeyPair(ecdsa.Get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, signingKey.Receive(),
                              reinterpret_cast<PUCHAR>(blob.data()), static_cast<ULONG>(blob.size()), 0),
          "BCryptImportKeyPair");
    unsigned char digest[32];
    Check(BCryptHash(sha.Get(), nullptr, 0, reinterpret_cast<PUCHAR>(reply.data()),
                     static_cast<ULONG>(reply.size()), digest, sizeof digest),
          "BCryptHash");
    std::string signature(64, '\0');
    ULONG written = 0;
    Check(BCryptSignHash(signingKey.Get(), nullptr, digest, sizeof digest,
                         reinterpret_cast<PUCHAR>(signature.data()), static_cast<ULONG>(signature.size()),
                         &written, 0),
          "BCryptSignHash");
    return WithSignatureLine(reply, signature);
}

std::string ServiceSigned(const std::string& text) {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    FILETIME ft{};
    SystemTimeToFileTime(&now, &ft);
    const uint64_t ms = ((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000;
    char issued[64];
    std::snprintf(issued, sizeof issued, "issued=%04u-%02u-%02uT%02u:%02u:%02uZ\r\nserial=%llu\r\n", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, static_cast<unsigned long long>(ms));
    return DevSigned(issued + text);
}

} // namespace maskaddr::test
