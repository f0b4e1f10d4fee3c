#include "locker/TAesCtrTransform.h"

#include "locker/BCryptError.h"
#include "platform/Error.h"
#include "security/cng/Cng.h"

#include <array>
#include <cstring>

namespace vk {

namespace {

constexpr std::size_t BlockSize = 16;
// Counter blocks encrypted with one call: fewer calls into the provider for
// large buffers.
constexpr std::size_t BatchBlocks = 256;

// Adds one to the 128-bit big-endian counter, carrying through all 16 bytes.
void Increment(std::array<std::uint8_t, BlockSize>& counter) {
    for (std::size_t i = BlockSize; i-- > 0;) {
        if (++counter[i] != 0)
            break;
    }
}

} // namespace

// CNG has no counter mode: the keystream is AES-256-ECB over successive
// counter blocks, and the unused rest of the last block is kept between calls.
struct TAesCtrTransform::State {
    State() : Alg(BCRYPT_AES_ALGORITHM, 0) {}
    ~State() {
        if (Key != nullptr)
            BCryptDestroyKey(Key); // the provider cleanses the key schedule
        SecureZeroMemory(Keystream.data(), Keystream.size());
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    cng::Algorithm Alg;
    BCRYPT_KEY_HANDLE Key = nullptr;
    std::array<std::uint8_t, BlockSize> Counter{};
    std::array<std::uint8_t, BlockSize * BatchBlocks> Keystream{};
    std::size_t KeystreamUsed = 0; // bytes of Keystream already consumed
    std::size_t KeystreamSize = 0; // bytes of Keystream generated
};

TAesCtrTransform::TAesCtrTransform(const Bytes& key, const Bytes& nonce) {
    if (key.size() != 32)
        throw Error("AES-CTR key must be 32 bytes.");
    if (nonce.size() != BlockSize)
        throw Error("AES-CTR nonce must be 16 bytes.");
    FState = std::make_unique<State>();
    auto* ecb = reinterpret_cast<UCHAR*>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB));
    NTSTATUS status = BCryptSetProperty(FState->Alg.Handle(), BCRYPT_CHAINING_MODE, ecb,
                                        static_cast<ULONG>(sizeof BCRYPT_CHAIN_MODE_ECB), 0);
    if (!cng::Succeeded(status))
        RaiseBCryptError("Unable to set AES chaining mode", static_cast<std::uint32_t>(status));
    status = BCryptGenerateSymmetricKey(FState->Alg.Handle(), &FState->Key, nullptr, 0, const_cast<UCHAR*>(key.data()),
                                        static_cast<ULONG>(key.size()), 0);
    if (!cng::Succeeded(status))
        RaiseBCryptError("Unable to create AES key", static_cast<std::uint32_t>(status));
    std::memcpy(FState->Counter.data(), nonce.data(), BlockSize);
}

TAesCtrTransform::~TAesCtrTransform() = default;

void TAesCtrTransform::Restart(const Bytes& counterBlock) {
    if (counterBlock.size() != BlockSize)
        throw Error("AES-CTR nonce must be 16 bytes.");
    std::memcpy(FState->Counter.data(), counterBlock.data(), BlockSize);
    FState->KeystreamUsed = 0;
    FState->KeystreamSize = 0;
}

void TAesCtrTransform::Transform(void* buffer, std::int32_t count) {
    Transform(buffer, buffer, count);
}

void TAesCtrTransform::Transform(const void* input, void* output, std::int32_t count) {
    const auto* in = static_cast<const std::uint8_t*>(input);
    auto* bytes = static_cast<std::uint8_t*>(output);
    State& state = *FState;
    for (std::int32_t done = 0; done < count;) {
        if (state.KeystreamUsed == state.KeystreamSize) {
            // Enough counter blocks for the rest of the buffer, at most a batch.
            const std::size_t wanted = static_cast<std::size_t>(count - done);
            const std::size_t blocks = std::min(BatchBlocks, (wanted + BlockSize - 1) / BlockSize);
            for (std::size_t b = 0; b < blocks; ++b) {
                std::memcpy(state.Keystream.data() + b * BlockSize, state.Counter.data(), BlockSize);
                Increment(state.Counter);
            }
            const ULONG size = static_cast<ULONG>(blocks * BlockSize);
            ULONG written = 0;
            const NTSTATUS status = BCryptEncrypt(state.Key, state.Keystream.data(), size, nullptr, nullptr, 0,
                                                  state.Keystream.data(), size, &written, 0);
            if (!cng::Succeeded(status))
                RaiseBCryptError("Unable to generate AES-CTR keystream", static_cast<std::uint32_t>(status));
            if (written != size)
                throw Error("Unexpected AES output length.");
            state.KeystreamUsed = 0;
            state.KeystreamSize = size;
        }
        while (done < count && state.KeystreamUsed < state.KeystreamSize) {
            bytes[done] = static_cast<std::uint8_t>(in[done] ^ state.Keystream[state.KeystreamUsed++]);
            ++done;
        }
    }
}

} // namespace vk
