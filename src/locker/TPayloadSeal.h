#pragma once

// A keyed fingerprint of a locker's ciphertext under a random key that never
// leaves this process. Extraction authenticates the payload with its MAC in
// a first pass and decrypts it in a second; the seal of both passes must be
// equal, so a locker changed between the passes is noticed. Unlike the MAC it
// needs no standing for the format, only that nobody can find other bytes
// with the same seal without knowing the key, and so each backend takes the
// fastest such function it has.

#include "security/uSecurityUtils.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vk {

class TPayloadSeal {
public:
    // The key length every backend takes.
    static constexpr std::size_t KeyLength = 32;

    // key: KeyLength fresh random bytes, used for one locker's two passes.
    explicit TPayloadSeal(const Bytes& key);
    ~TPayloadSeal();
    TPayloadSeal(const TPayloadSeal&) = delete;
    TPayloadSeal& operator=(const TPayloadSeal&) = delete;

    void Update(const std::uint8_t* data, std::size_t size);
    // The seal of everything added. Called once.
    Bytes Final();

private:
    // The crypto backend's keyed function; each backend defines it.
    struct State;
    std::unique_ptr<State> FState;
};

} // namespace vk
