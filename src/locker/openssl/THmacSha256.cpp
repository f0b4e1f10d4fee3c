#include "locker/THmacSha256.h"

#include "locker/BCryptError.h"
#include "locker/openssl/ProviderStatus.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace vk {

struct THmacSha256::State {
    State() = default;
    ~State() {
        EVP_MAC_CTX_free(Hash); // cleanses the keyed state
        EVP_MAC_free(Alg);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    EVP_MAC* Alg = nullptr;
    EVP_MAC_CTX* Hash = nullptr;
    std::size_t HashLen = 0;
};

THmacSha256::THmacSha256(const Bytes& key) : FState(std::make_unique<State>()) {
    FState->Alg = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    if (FState->Alg == nullptr)
        RaiseBCryptError("Unable to open SHA-256 HMAC provider", LastProviderStatus());
    FState->Hash = EVP_MAC_CTX_new(FState->Alg);
    if (FState->Hash == nullptr)
        RaiseBCryptError("Unable to create HMAC hash", LastProviderStatus());

    char digest[] = "SHA256";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    // A key pointer is always passed: a null key would mean "keep the
    // previous key" to the provider, while an empty key is a valid key.
    static const unsigned char emptyKey = 0;
    if (EVP_MAC_init(FState->Hash, key.empty() ? &emptyKey : key.data(), key.size(), params) != 1)
        RaiseBCryptError("Unable to create HMAC hash", LastProviderStatus());

    FState->HashLen = EVP_MAC_CTX_get_mac_size(FState->Hash);
    if (FState->HashLen != 32)
        RaiseBCryptError("Unable to query hash length", LastProviderStatus());
}

THmacSha256::~THmacSha256() = default;

void THmacSha256::Update(const void* buffer, std::int32_t count) {
    if (count <= 0)
        return;
    if (EVP_MAC_update(FState->Hash, static_cast<const unsigned char*>(buffer), static_cast<std::size_t>(count)) != 1)
        RaiseBCryptError("Unable to hash data block", LastProviderStatus());
}

Bytes THmacSha256::FinalBytes() {
    Bytes mac(FState->HashLen);
    std::size_t written = 0;
    if (EVP_MAC_final(FState->Hash, mac.data(), &written, mac.size()) != 1 || written != mac.size())
        RaiseBCryptError("Unable to finalize HMAC hash", LastProviderStatus());
    return mac;
}

} // namespace vk
