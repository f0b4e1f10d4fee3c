#include "security/cng/Cng.h"

#include "locker/BCryptError.h"

namespace vk::cng {

Algorithm::Algorithm(const wchar_t* name, ULONG flags) {
    const NTSTATUS status = BCryptOpenAlgorithmProvider(&FHandle, name, nullptr, flags);
    if (!Succeeded(status))
        RaiseBCryptError("Unable to open the CNG provider", static_cast<std::uint32_t>(status));
}

Algorithm::~Algorithm() {
    if (FHandle != nullptr)
        BCryptCloseAlgorithmProvider(FHandle, 0);
}

Hash::Hash(const Algorithm& algorithm, const Bytes& key) {
    // A key pointer is always passed for a keyed provider: an empty key is a
    // valid HMAC key.
    static UCHAR emptyKey = 0;
    auto* secret = key.empty() ? &emptyKey : const_cast<UCHAR*>(key.data());
    const NTSTATUS status =
        BCryptCreateHash(algorithm.Handle(), &FHandle, nullptr, 0, secret, static_cast<ULONG>(key.size()), 0);
    if (!Succeeded(status))
        RaiseBCryptError("Unable to create HMAC hash", static_cast<std::uint32_t>(status));
}

Hash::~Hash() {
    if (FHandle != nullptr)
        BCryptDestroyHash(FHandle); // the provider cleanses the keyed state
}

void Hash::Update(const void* buffer, ULONG count) {
    if (count == 0)
        return;
    const NTSTATUS status = BCryptHashData(FHandle, static_cast<UCHAR*>(const_cast<void*>(buffer)), count, 0);
    if (!Succeeded(status))
        RaiseBCryptError("Unable to hash data block", static_cast<std::uint32_t>(status));
}

Bytes Hash::Final() {
    Bytes digest(32);
    const NTSTATUS status = BCryptFinishHash(FHandle, digest.data(), static_cast<ULONG>(digest.size()), 0);
    if (!Succeeded(status))
        RaiseBCryptError("Unable to finalize HMAC hash", static_cast<std::uint32_t>(status));
    return digest;
}

} // namespace vk::cng
