#include "locker/TPayloadSeal.h"

#include "locker/BCryptError.h"
#include "locker/openssl/ProviderStatus.h"

#include <openssl/evp.h>

namespace vk {

// Poly1305 with a one-time random key: a forgery chance below 2^-70 for any
// payload a locker can hold, at several times the speed of HMAC-SHA256.
struct TPayloadSeal::State {
    State() = default;
    ~State() {
        EVP_MAC_CTX_free(Context); // cleanses the keyed state
        EVP_MAC_free(Alg);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    EVP_MAC* Alg = nullptr;
    EVP_MAC_CTX* Context = nullptr;
};

TPayloadSeal::TPayloadSeal(const Bytes& key) : FState(std::make_unique<State>()) {
    FState->Alg = EVP_MAC_fetch(nullptr, "POLY1305", nullptr);
    if (FState->Alg == nullptr)
        RaiseBCryptError("Unable to open Poly1305 provider", LastProviderStatus());
    FState->Context = EVP_MAC_CTX_new(FState->Alg);
    if (FState->Context == nullptr || key.size() != KeyLength ||
        EVP_MAC_init(FState->Context, key.data(), key.size(), nullptr) != 1)
        RaiseBCryptError("Unable to create Poly1305 state", LastProviderStatus());
}

TPayloadSeal::~TPayloadSeal() = default;

void TPayloadSeal::Update(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && EVP_MAC_update(FState->Context, data, size) != 1)
        RaiseBCryptError("Unable to hash data block", LastProviderStatus());
}

Bytes TPayloadSeal::Final() {
    Bytes seal(EVP_MAC_CTX_get_mac_size(FState->Context));
    std::size_t written = 0;
    if (EVP_MAC_final(FState->Context, seal.data(), &written, seal.size()) != 1 || written != seal.size())
        RaiseBCryptError("Unable to finalize Poly1305", LastProviderStatus());
    return seal;
}

} // namespace vk
