#include "locker/TPayloadSeal.h"

#include "locker/THmacSha256.h"

namespace vk {

// CNG has no faster keyed function than HMAC-SHA256, keyed here with the
// seal's own random key.
struct TPayloadSeal::State {
    explicit State(const Bytes& key) : Mac(key) {}
    THmacSha256 Mac;
};

TPayloadSeal::TPayloadSeal(const Bytes& key) : FState(std::make_unique<State>(key)) {}

TPayloadSeal::~TPayloadSeal() = default;

void TPayloadSeal::Update(const std::uint8_t* data, std::size_t size) {
    FState->Mac.Update(data, static_cast<std::int32_t>(size));
}

Bytes TPayloadSeal::Final() {
    return FState->Mac.FinalBytes();
}

} // namespace vk
