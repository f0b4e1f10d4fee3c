#include "locker/THmacSha256.h"

#include "locker/BCryptError.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace vk {

THmacSha256::THmacSha256(const Bytes& key) {
    try {
        FAlg = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
        if (FAlg == nullptr)
            RaiseBCryptError("Unable to open SHA-256 HMAC provider", LastProviderStatus());
        FHash = EVP_MAC_CTX_new(FAlg);
        if (FHash == nullptr)
            RaiseBCryptError("Unable to create HMAC hash", LastProviderStatus());

        char digest[] = "SHA256";
        const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                     OSSL_PARAM_construct_end()};
        // A key pointer is always passed: a null key would mean "keep the
        // previous key" to the provider, while an empty key is a valid key.
        static const unsigned char emptyKey = 0;
        if (EVP_MAC_init(FHash, key.empty() ? &emptyKey : key.data(), key.size(), params) != 1)
            RaiseBCryptError("Unable to create HMAC hash", LastProviderStatus());

        const std::size_t size = EVP_MAC_CTX_get_mac_size(FHash);
        if (size != 32)
            RaiseBCryptError("Unable to query hash length", LastProviderStatus());
        FHashLen = static_cast<std::uint32_t>(size);
    } catch (...) {
        Release();
        throw;
    }
}

THmacSha256::~THmacSha256() {
    Release();
}

void THmacSha256::Release() {
    EVP_MAC_CTX_free(FHash); // cleanses the keyed state
    FHash = nullptr;
    EVP_MAC_free(FAlg);
    FAlg = nullptr;
}

void THmacSha256::Update(const void* buffer, std::int32_t count) {
    if (count <= 0)
        return;
    if (EVP_MAC_update(FHash, static_cast<const unsigned char*>(buffer), static_cast<std::size_t>(count)) != 1)
        RaiseBCryptError("Unable to hash data block", LastProviderStatus());
}

void THmacSha256::UpdateBytes(const Bytes& bytes) {
    if (!bytes.empty())
        Update(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

Bytes THmacSha256::FinalBytes() {
    Bytes mac(FHashLen);
    std::size_t written = 0;
    if (EVP_MAC_final(FHash, mac.data(), &written, mac.size()) != 1 || written != mac.size())
        RaiseBCryptError("Unable to finalize HMAC hash", LastProviderStatus());
    return mac;
}

} // namespace vk
