#pragma once

// AES-256 in counter mode over caller buffers, in place. The keystream
// position carries from one call to the next, so a stream transformed in
// pieces gives the same bytes as one call over the whole stream. The counter
// block starts as the nonce and is incremented as one 128-bit big-endian
// number; the same call encrypts and decrypts.

#include "security/uSecurityUtils.h"

#include <cstdint>
#include <memory>

namespace vk {

class TAesCtrTransform {
public:
    // key: 32 bytes; nonce: 16 bytes, the first counter block.
    TAesCtrTransform(const Bytes& key, const Bytes& nonce);
    ~TAesCtrTransform();
    TAesCtrTransform(const TAesCtrTransform&) = delete;
    TAesCtrTransform& operator=(const TAesCtrTransform&) = delete;

    // XORs count bytes of the buffer with the next keystream bytes; a count
    // of 0 or less does nothing.
    void Transform(void* buffer, std::int32_t count);
    // Starts the keystream again at counterBlock (16 bytes), same key.
    void Restart(const Bytes& counterBlock);
    // The same from input into output (count bytes each, apart or the same).
    void Transform(const void* input, void* output, std::int32_t count);

private:
    // The crypto backend's key and keystream position; each backend defines it.
    struct State;
    std::unique_ptr<State> FState;
};

} // namespace vk
