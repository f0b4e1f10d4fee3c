#include "locker/THmacSha256.h"

#include "security/cng/Cng.h"

namespace vk {

struct THmacSha256::State {
    explicit State(const Bytes& key) : Alg(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG), Hash(Alg, key) {}
    cng::Algorithm Alg;
    cng::Hash Hash;
};

THmacSha256::THmacSha256(const Bytes& key) : FState(std::make_unique<State>(key)) {}

THmacSha256::~THmacSha256() = default;

void THmacSha256::Update(const void* buffer, std::int32_t count) {
    if (count > 0)
        FState->Hash.Update(buffer, static_cast<ULONG>(count));
}

Bytes THmacSha256::FinalBytes() {
    return FState->Hash.Final();
}

} // namespace vk
