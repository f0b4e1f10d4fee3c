#include "security/uSecurityUtils.h"

#include "security/SystemRandom.h"

namespace vk {

namespace {
RandomFill TestRandomFill = nullptr;
} // namespace

void SetRandomFillForTesting(RandomFill fill) {
    TestRandomFill = fill;
}

Bytes RandomBytes(std::int32_t count) {
    if (count <= 0)
        return {};
    Bytes result(static_cast<std::size_t>(count));
    if (TestRandomFill != nullptr)
        TestRandomFill(result.data(), result.size());
    else
        FillWithSystemRandom(result);
    return result;
}

Bytes Utf8Bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string BytesToHex(const Bytes& bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 0x0F]);
    }
    return text;
}

std::string GenerateRecoveryCode() {
    const std::string hex = BytesToHex(RandomBytes(16));
    std::string code;
    for (std::size_t group = 0; group < 8; ++group) {
        if (group > 0)
            code.push_back('-');
        code.append(hex, group * 4, 4);
    }
    return code;
}

void HmacCtrXor(Bytes& data, const Bytes& key, const Bytes& nonce) {
    Bytes counterBlock = nonce;
    counterBlock.resize(nonce.size() + 4);
    std::uint32_t counter = 0;
    for (std::size_t pos = 0; pos < data.size(); pos += 32, ++counter) {
        for (int i = 0; i < 4; ++i)
            counterBlock[nonce.size() + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(counter >> (24 - 8 * i));
        Bytes block = HmacSha256(key, counterBlock);
        for (std::size_t i = 0; i < 32 && pos + i < data.size(); ++i)
            data[pos + i] ^= block[i];
        SecureWipe(block);
    }
}

} // namespace vk
