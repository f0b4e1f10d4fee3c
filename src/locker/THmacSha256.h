#pragma once

// Incremental HMAC-SHA256: the payload MAC is computed a buffer at a time, so
// payloads of any size are authenticated without being held in memory.

#include "security/uSecurityUtils.h"

#include <cstdint>

typedef struct evp_mac_st EVP_MAC;
typedef struct evp_mac_ctx_st EVP_MAC_CTX;

namespace vk {

class THmacSha256 {
public:
    explicit THmacSha256(const Bytes& key);
    ~THmacSha256();
    THmacSha256(const THmacSha256&) = delete;
    THmacSha256& operator=(const THmacSha256&) = delete;

    // Adds count bytes; a count of 0 or less adds nothing.
    void Update(const void* buffer, std::int32_t count);
    void UpdateBytes(const Bytes& bytes);
    // The 32-byte MAC of everything added. Called once.
    Bytes FinalBytes();

private:
    void Release();

    EVP_MAC* FAlg = nullptr;
    EVP_MAC_CTX* FHash = nullptr;
    std::uint32_t FHashLen = 0;
};

} // namespace vk
