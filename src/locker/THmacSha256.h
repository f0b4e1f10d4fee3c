#pragma once

// Incremental HMAC-SHA256: the payload MAC is computed a buffer at a time, so
// payloads of any size are authenticated without being held in memory.

#include "security/uSecurityUtils.h"

#include <cstdint>
#include <memory>

namespace vk {

class THmacSha256 {
public:
    explicit THmacSha256(const Bytes& key);
    ~THmacSha256();
    THmacSha256(const THmacSha256&) = delete;
    THmacSha256& operator=(const THmacSha256&) = delete;

    // Adds count bytes; a count of 0 or less adds nothing.
    void Update(const void* buffer, std::int32_t count);
    void UpdateBytes(const Bytes& bytes) {
        if (!bytes.empty())
            Update(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    }
    // The 32-byte MAC of everything added. Called once.
    Bytes FinalBytes();

private:
    // The crypto backend's keyed hash; each backend defines it.
    struct State;
    std::unique_ptr<State> FState;
};

} // namespace vk
