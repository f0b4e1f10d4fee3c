#include "platform/Error.h"
#include "security/uSecurityUtils.h"
#include "support/Hex.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

using test::AsBytes;
using test::FromHex;

struct HmacVector {
    const char* name;
    Bytes key;
    Bytes data;
    const char* mac; // truncated to its length where the RFC truncates
};

Bytes Sequence(std::uint8_t from, std::uint8_t to) {
    Bytes b;
    for (int v = from; v <= to; ++v)
        b.push_back(static_cast<std::uint8_t>(v));
    return b;
}

// RFC 4231 test cases 1-7.
std::vector<HmacVector> Rfc4231Vectors() {
    return {
        {"case1", Bytes(20, 0x0b), AsBytes("Hi There"),
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"case2", AsBytes("Jefe"), AsBytes("what do ya want for nothing?"),
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {"case3", Bytes(20, 0xaa), Bytes(50, 0xdd), "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {"case4", Sequence(0x01, 0x19), Bytes(50, 0xcd),
         "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
        {"case5", Bytes(20, 0x0c), AsBytes("Test With Truncation"), "a3b6167473100ee06e0c796c2955552b"},
        {"case6", Bytes(131, 0xaa), AsBytes("Test Using Larger Than Block-Size Key - Hash Key First"),
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
        {"case7", Bytes(131, 0xaa),
         AsBytes("This is a test using a larger than block-size key and a larger than block-size data. The key needs "
                 "to be hashed before being used by the HMAC algorithm."),
         "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
    };
}

} // namespace

TEST(HmacSha256, MatchesRfc4231) {
    for (const auto& v : Rfc4231Vectors()) {
        const Bytes expected = FromHex(v.mac);
        Bytes mac = HmacSha256(v.key, v.data);
        mac.resize(expected.size());
        EXPECT_EQ(mac, expected) << v.name;
    }
}

TEST(HmacSha256, KeyLengthRules) {
    const Bytes data = AsBytes("message");
    const Bytes key65(65, 0x42);
    EXPECT_EQ(HmacSha256(key65, data), HmacSha256(Sha256Bytes(key65), data)) << "long keys are hashed first";
    const Bytes key64(64, 0x42);
    EXPECT_NE(HmacSha256(key64, data), HmacSha256(Sha256Bytes(key64), data)) << "a 64-byte key is used as is";
    EXPECT_EQ(HmacSha256({}, data), HmacSha256(Bytes(64, 0), data)) << "an empty key is the zero block";
    EXPECT_EQ(HmacSha256({}, {}).size(), 32u);
}

TEST(Sha256Bytes, EmptyAndAbc) {
    EXPECT_EQ(Sha256Bytes({}), FromHex("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
    EXPECT_EQ(Sha256Bytes(AsBytes("abc")), FromHex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

// RFC 7914 section 11.
TEST(Pbkdf2Sha256, MatchesRfc7914) {
    EXPECT_EQ(Pbkdf2Sha256("passwd", AsBytes("salt"), 1, 64),
              FromHex("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
                      "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"));
    EXPECT_EQ(Pbkdf2Sha256("Password", AsBytes("NaCl"), 80000, 64),
              FromHex("4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
                      "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d"));
}

TEST(Pbkdf2Sha256, LengthsAndIterationChecks) {
    const Bytes salt = AsBytes("salt");
    const Bytes k32 = Pbkdf2Sha256("pw", salt, 3, 32);
    const Bytes k33 = Pbkdf2Sha256("pw", salt, 3, 33);
    ASSERT_EQ(k33.size(), 33u);
    EXPECT_EQ(Bytes(k33.begin(), k33.begin() + 32), k32);
    EXPECT_TRUE(Pbkdf2Sha256("pw", salt, 3, 0).empty());
    EXPECT_TRUE(Pbkdf2Sha256("pw", salt, 3, -1).empty());
    for (int iterations : {0, -5}) {
        try {
            Pbkdf2Sha256("pw", salt, iterations, 0); // the iteration check comes first
            ADD_FAILURE() << "iterations " << iterations << " accepted";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Iterations must be positive.");
        }
    }
}

TEST(Pbkdf2Sha256, NonAsciiPasswordUsesUtf8Bytes) {
    // "pässwörd" as UTF-8; the value was computed independently over its UTF-8 bytes.
    EXPECT_EQ(Pbkdf2Sha256("p\xC3\xA4ssw\xC3\xB6rd", AsBytes("salt"), 2, 32),
              FromHex("516c4cfbf60066dc5769ae6ce3c06aae67841d34869ff951588a1f3f8847d652"));
}

TEST(HmacCtrXor, KeystreamBlocksAndRoundTrip) {
    const Bytes key = AsBytes("key");
    const Bytes nonce(16, 0x01);
    Bytes empty;
    HmacCtrXor(empty, key, nonce);
    EXPECT_TRUE(empty.empty());

    Bytes data(33, 0);
    HmacCtrXor(data, key, nonce);
    Bytes block0 = nonce, block1 = nonce;
    block0.insert(block0.end(), {0, 0, 0, 0});
    block1.insert(block1.end(), {0, 0, 0, 1});
    Bytes expected = HmacSha256(key, block0);
    expected.push_back(HmacSha256(key, block1)[0]);
    EXPECT_EQ(data, expected);

    HmacCtrXor(data, key, nonce);
    EXPECT_EQ(data, Bytes(33, 0));
}

TEST(ConstantTimeEquals, LengthsAndContent) {
    EXPECT_TRUE(ConstantTimeEquals({}, {}));
    EXPECT_FALSE(ConstantTimeEquals({1, 2}, {1, 2, 3})) << "a prefix is not equal";
    EXPECT_FALSE(ConstantTimeEquals({1, 2, 3}, {1, 2, 4}));
    EXPECT_TRUE(ConstantTimeEquals({1, 2, 3}, {1, 2, 3}));
}

TEST(GenerateRecoveryCode, FormAndFreshness) {
    const std::string code = GenerateRecoveryCode();
    ASSERT_EQ(code.size(), 39u);
    for (std::size_t i = 0; i < code.size(); ++i) {
        if ((i + 1) % 5 == 0)
            EXPECT_EQ(code[i], '-') << i;
        else
            EXPECT_NE(std::string("0123456789ABCDEF").find(code[i]), std::string::npos) << i;
    }
    EXPECT_NE(code, GenerateRecoveryCode());
}

TEST(RandomBytes, CountsAndFreshness) {
    EXPECT_TRUE(RandomBytes(0).empty());
    EXPECT_TRUE(RandomBytes(-3).empty());
    EXPECT_EQ(RandomBytes(32).size(), 32u);
    EXPECT_NE(RandomBytes(16), RandomBytes(16));
}

} // namespace vk
