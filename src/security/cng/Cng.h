#pragma once

// Small owners of CNG (bcrypt) handles, shared by the security primitives and
// the streaming transforms of the Windows build.

#include "security/uSecurityUtils.h"

#include <windows.h>

#include <bcrypt.h>

namespace vk::cng {

// True for a status CNG reports as success.
inline bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

// An algorithm provider; Open raises through RaiseBCryptError on failure.
class Algorithm {
public:
    Algorithm(const wchar_t* name, ULONG flags);
    ~Algorithm();
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE Handle() const { return FHandle; }

private:
    BCRYPT_ALG_HANDLE FHandle = nullptr;
};

// A running hash or HMAC (an empty key for a plain hash of an HMAC-less provider).
class Hash {
public:
    Hash(const Algorithm& algorithm, const Bytes& key);
    ~Hash();
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;

    void Update(const void* buffer, ULONG count);
    Bytes Final(); // 32 bytes (SHA-256); called once

private:
    BCRYPT_HASH_HANDLE FHandle = nullptr;
};

} // namespace vk::cng
