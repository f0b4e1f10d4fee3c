#include "locker/TAesCtrTransform.h"

#include "locker/BCryptError.h"
#include "platform/Error.h"

#include <openssl/evp.h>

namespace vk {

TAesCtrTransform::TAesCtrTransform(const Bytes& key, const Bytes& nonce) {
    if (key.size() != 32)
        throw Error("AES-CTR key must be 32 bytes.");
    if (nonce.size() != 16)
        throw Error("AES-CTR nonce must be 16 bytes.");
    try {
        // OpenSSL's counter mode increments the whole 128-bit block
        // big-endian, carrying out of the low 32 bits into the upper 96, and
        // keeps the unused part of the last keystream block between calls:
        // byte for byte the same as one ECB block per counter value.
        FAlg = EVP_CIPHER_fetch(nullptr, "AES-256-CTR", nullptr);
        if (FAlg == nullptr)
            RaiseBCryptError("Unable to open AES provider", LastProviderStatus());
        if (EVP_CIPHER_get_iv_length(FAlg) != 16)
            throw Error("Unexpected AES block length.");
        FKey = EVP_CIPHER_CTX_new();
        if (FKey == nullptr || EVP_EncryptInit_ex2(FKey, FAlg, key.data(), nonce.data(), nullptr) != 1)
            RaiseBCryptError("Unable to create AES key", LastProviderStatus());
    } catch (...) {
        Release();
        throw;
    }
}

TAesCtrTransform::~TAesCtrTransform() {
    Release();
}

void TAesCtrTransform::Release() {
    EVP_CIPHER_CTX_free(FKey); // cleanses the key schedule
    FKey = nullptr;
    EVP_CIPHER_free(FAlg);
    FAlg = nullptr;
}

void TAesCtrTransform::Restart(const Bytes& counterBlock) {
    if (counterBlock.size() != 16)
        throw Error("AES-CTR nonce must be 16 bytes.");
    if (EVP_EncryptInit_ex2(FKey, nullptr, nullptr, counterBlock.data(), nullptr) != 1)
        RaiseBCryptError("Unable to create AES key", LastProviderStatus());
}

void TAesCtrTransform::Transform(void* buffer, std::int32_t count) {
    Transform(buffer, buffer, count);
}

void TAesCtrTransform::Transform(const void* input, void* output, std::int32_t count) {
    if (count <= 0)
        return;
    int written = 0;
    if (EVP_EncryptUpdate(FKey, static_cast<unsigned char*>(output), &written, static_cast<const unsigned char*>(input),
                          count) != 1)
        RaiseBCryptError("Unable to generate AES-CTR keystream", LastProviderStatus());
    if (written != count)
        throw Error("Unexpected AES output length.");
}

} // namespace vk
