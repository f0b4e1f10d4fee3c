#include "security/uSecurityUtils.h"
#include "security/SystemRandom.h"

#include "platform/Error.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

// The security primitives on OpenSSL.

namespace vk {

void FillWithSystemRandom(Bytes& out) {
    // The operating system's generator, through OpenSSL; never a seeded LCG.
    if (RAND_bytes(out.data(), static_cast<int>(out.size())) != 1)
        throw Error("Unable to obtain random bytes from the system.");
}

bool ConstantTimeEquals(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size())
        return false;
    // Visits every byte whatever differs; the compiler cannot shortcut it.
    return a.empty() || CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

Bytes Sha256Bytes(const Bytes& data) {
    Bytes digest(SHA256_DIGEST_LENGTH);
    SHA256(data.data(), data.size(), digest.data());
    return digest;
}

Bytes HmacSha256(const Bytes& key, const Bytes& data) {
    Bytes mac(SHA256_DIGEST_LENGTH);
    unsigned int length = 0;
    static const std::uint8_t emptyKey = 0;
    const std::uint8_t* keyPtr = key.empty() ? &emptyKey : key.data();
    if (HMAC(EVP_sha256(), keyPtr, static_cast<int>(key.size()), data.data(), data.size(), mac.data(), &length) ==
        nullptr)
        throw Error("Unable to compute HMAC-SHA256.");
    return mac;
}

Bytes Pbkdf2Sha256(const std::string& password, const Bytes& salt, std::int32_t iterations, std::int32_t keyLength) {
    if (iterations <= 0)
        throw Error("Iterations must be positive.");
    if (keyLength <= 0)
        return {};
    Bytes key(static_cast<std::size_t>(keyLength));
    static const std::uint8_t empty = 0;
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.empty() ? &empty : salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(), keyLength, key.data()) != 1)
        throw Error("Unable to derive a key with PBKDF2.");
    return key;
}

void SecureWipe(Bytes& bytes) {
    if (!bytes.empty())
        OPENSSL_cleanse(bytes.data(), bytes.size());
}

void SecureWipe(std::string& text) {
    if (!text.empty())
        OPENSSL_cleanse(text.data(), text.size());
}

} // namespace vk
