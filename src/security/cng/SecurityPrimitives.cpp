#include "security/uSecurityUtils.h"
#include "security/SystemRandom.h"

#include "platform/Error.h"
#include "security/cng/Cng.h"

// The security primitives on CNG (bcrypt), the Windows build's provider.

namespace vk {

void FillWithSystemRandom(Bytes& out) {
    // The system's preferred generator; never a seeded LCG.
    if (!cng::Succeeded(BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(out.size()),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        throw Error("Unable to obtain random bytes from the system.");
}

bool ConstantTimeEquals(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size())
        return false;
    // Visits every byte whatever differs; the volatile sum keeps the compiler
    // from ending the loop early.
    volatile std::uint8_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference = static_cast<std::uint8_t>(difference | (a[i] ^ b[i]));
    return difference == 0;
}

Bytes Sha256Bytes(const Bytes& data) {
    const cng::Algorithm sha256(BCRYPT_SHA256_ALGORITHM, 0);
    cng::Hash hash(sha256, {});
    hash.Update(data.data(), static_cast<ULONG>(data.size()));
    return hash.Final();
}

Bytes HmacSha256(const Bytes& key, const Bytes& data) {
    const cng::Algorithm hmac(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    cng::Hash hash(hmac, key);
    hash.Update(data.data(), static_cast<ULONG>(data.size()));
    return hash.Final();
}

Bytes Pbkdf2Sha256(const std::string& password, const Bytes& salt, std::int32_t iterations, std::int32_t keyLength) {
    if (iterations <= 0)
        throw Error("Iterations must be positive.");
    if (keyLength <= 0)
        return {};
    Bytes key(static_cast<std::size_t>(keyLength));
    const cng::Algorithm hmac(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    static UCHAR empty = 0;
    auto* secret = password.empty() ? &empty : reinterpret_cast<UCHAR*>(const_cast<char*>(password.data()));
    auto* saltBytes = salt.empty() ? &empty : const_cast<UCHAR*>(salt.data());
    const NTSTATUS status = BCryptDeriveKeyPBKDF2(hmac.Handle(), secret, static_cast<ULONG>(password.size()), saltBytes,
                                                  static_cast<ULONG>(salt.size()), static_cast<ULONGLONG>(iterations),
                                                  key.data(), static_cast<ULONG>(key.size()), 0);
    if (!cng::Succeeded(status))
        throw Error("Unable to derive a key with PBKDF2.");
    return key;
}

void SecureWipe(Bytes& bytes) {
    if (!bytes.empty())
        SecureZeroMemory(bytes.data(), bytes.size());
}

void SecureWipe(std::string& text) {
    if (!text.empty())
        SecureZeroMemory(text.data(), text.size());
}

} // namespace vk
