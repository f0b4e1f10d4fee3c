#include "locker/TAesCtrTransform.h"

#include "locker/BCryptError.h"
#include "locker/openssl/ProviderStatus.h"
#include "platform/Error.h"

#include <openssl/evp.h>

namespace vk {

struct TAesCtrTransform::State {
    State() = default;
    ~State() {
        EVP_CIPHER_CTX_free(Key); // cleanses the key schedule
        EVP_CIPHER_free(Alg);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    EVP_CIPHER* Alg = nullptr;
    EVP_CIPHER_CTX* Key = nullptr;
};

TAesCtrTransform::TAesCtrTransform(const Bytes& key, const Bytes& nonce) : FState(std::make_unique<State>()) {
    if (key.size() != 32)
        throw Error("AES-CTR key must be 32 bytes.");
    if (nonce.size() != 16)
        throw Error("AES-CTR nonce must be 16 bytes.");
    // OpenSSL's counter mode increments the whole 128-bit block big-endian,
    // carrying out of the low 32 bits into the upper 96, and keeps the unused
    // part of the last keystream block between calls: byte for byte the same
    // as one ECB block per counter value.
    FState->Alg = EVP_CIPHER_fetch(nullptr, "AES-256-CTR", nullptr);
    if (FState->Alg == nullptr)
        RaiseBCryptError("Unable to open AES provider", LastProviderStatus());
    if (EVP_CIPHER_get_iv_length(FState->Alg) != 16)
        throw Error("Unexpected AES block length.");
    FState->Key = EVP_CIPHER_CTX_new();
    if (FState->Key == nullptr || EVP_EncryptInit_ex2(FState->Key, FState->Alg, key.data(), nonce.data(), nullptr) != 1)
        RaiseBCryptError("Unable to create AES key", LastProviderStatus());
}

TAesCtrTransform::~TAesCtrTransform() = default;

void TAesCtrTransform::Restart(const Bytes& counterBlock) {
    if (counterBlock.size() != 16)
        throw Error("AES-CTR nonce must be 16 bytes.");
    if (EVP_EncryptInit_ex2(FState->Key, nullptr, nullptr, counterBlock.data(), nullptr) != 1)
        RaiseBCryptError("Unable to create AES key", LastProviderStatus());
}

void TAesCtrTransform::Transform(void* buffer, std::int32_t count) {
    Transform(buffer, buffer, count);
}

void TAesCtrTransform::Transform(const void* input, void* output, std::int32_t count) {
    if (count <= 0)
        return;
    int written = 0;
    if (EVP_EncryptUpdate(FState->Key, static_cast<unsigned char*>(output), &written,
                          static_cast<const unsigned char*>(input), count) != 1)
        RaiseBCryptError("Unable to generate AES-CTR keystream", LastProviderStatus());
    if (written != count)
        throw Error("Unexpected AES output length.");
}

} // namespace vk
