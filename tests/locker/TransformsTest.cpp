#include "locker/BCryptError.h"
#include "locker/TAesCtrTransform.h"
#include "locker/THmacSha256.h"
#include "platform/Error.h"
#include "security/uSecurityUtils.h"
#include "support/Hex.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

using test::AsBytes;
using test::FromHex;

// NIST SP 800-38A F.5.5, CTR-AES256.Encrypt.
const Bytes NistKey = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const Bytes NistCounter = FromHex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
const Bytes NistPlain = FromHex("6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51"
                                "30c81c46a35ce411e5fbc1191a0a52ef f69f2445df4f9b17ad2b417be66c3710");
const Bytes NistCipher = FromHex("601ec313775789a5b7a7f504bbf3d228 f443e3ca4d62b59aca84e990cacaf5c5"
                                 "2b0930daa23de94ce87017ba2d84988d dfc9c58db67aada613c2dd08457941a6");

Bytes Keystream(const Bytes& key, const Bytes& nonce, std::size_t length) {
    Bytes stream(length, 0);
    TAesCtrTransform aes(key, nonce);
    aes.Transform(stream.data(), static_cast<std::int32_t>(stream.size()));
    return stream;
}

// The encryption of one counter block: the first keystream block for that nonce.
Bytes EncryptBlock(const Bytes& key, const Bytes& block) {
    return Keystream(key, block, 16);
}

Bytes Block(std::size_t index, const Bytes& stream) {
    return Bytes(stream.begin() + static_cast<std::ptrdiff_t>(index * 16),
                 stream.begin() + static_cast<std::ptrdiff_t>(index * 16 + 16));
}

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(THmacSha256, MatchesOneShotHmacWhenFedInPieces) {
    const Bytes key131(131, 0xaa);
    const Bytes data = AsBytes("This is a test using a larger than block-size key and a larger than block-size data. "
                               "The key needs to be hashed before being used by the HMAC algorithm.");
    // RFC 4231 case 7 fed in irregular pieces, with empty pieces between.
    THmacSha256 mac(key131);
    std::size_t pos = 0;
    for (std::size_t piece : {1u, 0u, 7u, 64u, 0u, 13u}) {
        mac.Update(data.data() + pos, static_cast<std::int32_t>(piece));
        pos += piece;
    }
    mac.UpdateBytes({});
    mac.UpdateBytes(Bytes(data.begin() + static_cast<std::ptrdiff_t>(pos), data.end()));
    EXPECT_EQ(mac.FinalBytes(), FromHex("9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"));

    // Every RFC 4231 key and message, byte by byte, against the one-shot routine.
    const std::vector<std::pair<Bytes, Bytes>> cases = {
        {Bytes(20, 0x0b), AsBytes("Hi There")},
        {AsBytes("Jefe"), AsBytes("what do ya want for nothing?")},
        {Bytes(20, 0xaa), Bytes(50, 0xdd)},
        {FromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), Bytes(50, 0xcd)},
        {Bytes(20, 0x0c), AsBytes("Test With Truncation")},
        {key131, AsBytes("Test Using Larger Than Block-Size Key - Hash Key First")},
    };
    for (const auto& [key, message] : cases) {
        THmacSha256 pieces(key);
        for (std::uint8_t b : message)
            pieces.Update(&b, 1);
        EXPECT_EQ(pieces.FinalBytes(), HmacSha256(key, message));
    }
}

TEST(THmacSha256, EmptyMessageAndEmptyKey) {
    THmacSha256 nothing(AsBytes("k"));
    nothing.Update("x", 0);
    nothing.Update("x", -1);
    EXPECT_EQ(nothing.FinalBytes(), HmacSha256(AsBytes("k"), {}));
    THmacSha256 emptyKey({});
    emptyKey.UpdateBytes(AsBytes("data"));
    EXPECT_EQ(emptyKey.FinalBytes(), HmacSha256({}, AsBytes("data")));
}

TEST(TAesCtrTransform, MatchesNistVectorInOneCallAndInPieces) {
    Bytes one = NistPlain;
    TAesCtrTransform whole(NistKey, NistCounter);
    whole.Transform(one.data(), static_cast<std::int32_t>(one.size()));
    EXPECT_EQ(one, NistCipher);

    // 100 bytes in one call equal 7, 9, 0 and 84 bytes in consecutive calls.
    Bytes data = NistPlain;
    for (std::size_t i = data.size(); i < 100; ++i)
        data.push_back(static_cast<std::uint8_t>(i * 7 + 1));
    Bytes inOne = data;
    TAesCtrTransform a(NistKey, NistCounter);
    a.Transform(inOne.data(), 100);
    Bytes inPieces = data;
    TAesCtrTransform b(NistKey, NistCounter);
    std::size_t pos = 0;
    for (int piece : {7, 9, 0, 84}) {
        b.Transform(inPieces.data() + pos, piece);
        pos += static_cast<std::size_t>(piece);
    }
    EXPECT_EQ(inPieces, inOne);
    EXPECT_EQ(Bytes(inOne.begin(), inOne.begin() + 64), NistCipher) << "first 64 bytes are the NIST ciphertext";

    Bytes unchanged = data;
    TAesCtrTransform c(NistKey, NistCounter);
    c.Transform(unchanged.data(), 0);
    c.Transform(unchanged.data(), -4);
    EXPECT_EQ(unchanged, data);

    // The same call decrypts with a fresh instance.
    TAesCtrTransform d(NistKey, NistCounter);
    d.Transform(inOne.data(), 100);
    EXPECT_EQ(inOne, data);
}

TEST(TAesCtrTransform, CounterCarriesOverAll128Bits) {
    struct Case {
        const char* name;
        const char* nonce;
        const char* next; // the counter block after the nonce
    };
    const Case cases[] = {
        {"all ones wrap to zero", "ffffffffffffffffffffffffffffffff", "00000000000000000000000000000000"},
        {"last byte carries", "000000000000000000000000000000ff", "00000000000000000000000000000100"},
        {"carry past 32 bits", "000000000000000000000000ffffffff", "00000000000000000000000100000000"},
        {"carry past 64 bits", "0000000000000000ffffffffffffffff", "00000000000000010000000000000000"},
        {"carry past 96 bits", "00000000ffffffffffffffffffffffff", "00000001000000000000000000000000"},
    };
    for (const auto& c : cases) {
        const Bytes stream = Keystream(NistKey, FromHex(c.nonce), 32);
        EXPECT_EQ(Block(0, stream), EncryptBlock(NistKey, FromHex(c.nonce))) << c.name;
        EXPECT_EQ(Block(1, stream), EncryptBlock(NistKey, FromHex(c.next))) << c.name;
    }

    // Many blocks across the 32-bit boundary in one call, in odd-sized calls,
    // against one block per counter value.
    const Bytes nonce = FromHex("0102030405060708090a0b0cfffffffd");
    const Bytes stream = Keystream(NistKey, nonce, 6 * 16);
    Bytes pieces(6 * 16, 0);
    TAesCtrTransform aes(NistKey, nonce);
    for (std::size_t pos = 0; pos < pieces.size(); pos += 5)
        aes.Transform(pieces.data() + pos, static_cast<std::int32_t>(std::min<std::size_t>(5, pieces.size() - pos)));
    EXPECT_EQ(pieces, stream);
    const char* counters[] = {"0102030405060708090a0b0cfffffffd", "0102030405060708090a0b0cfffffffe",
                              "0102030405060708090a0b0cffffffff", "0102030405060708090a0b0d00000000",
                              "0102030405060708090a0b0d00000001", "0102030405060708090a0b0d00000002"};
    for (std::size_t j = 0; j < 6; ++j)
        EXPECT_EQ(Block(j, stream), EncryptBlock(NistKey, FromHex(counters[j]))) << "block " << j;
}

TEST(TAesCtrTransform, ChecksKeyBeforeNonce) {
    EXPECT_EQ(MessageOf([] { TAesCtrTransform(Bytes(16), Bytes(12)); }), "AES-CTR key must be 32 bytes.");
    EXPECT_EQ(MessageOf([] { TAesCtrTransform(Bytes(32), Bytes(12)); }), "AES-CTR nonce must be 16 bytes.");
}

TEST(RaiseBCryptError, FormatsStatusAsEightUpperCaseDigits) {
    EXPECT_EQ(MessageOf([] { RaiseBCryptError("Unable to hash data block", 0xC000000Du); }),
              "Unable to hash data block (BCrypt status: 0xC000000D)");
    EXPECT_EQ(MessageOf([] { RaiseBCryptError("x", 0x2Au); }), "x (BCrypt status: 0x0000002A)");
}

} // namespace vk
