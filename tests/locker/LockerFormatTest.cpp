#include "locker/LockerFormat.h"
#include "locker/LockerBuilder.h"
#include "locker/LockerPaths.h"
#include "locker/LockerStreams.h"
#include "locker/TAesCtrTransform.h"
#include "locker/THmacSha256.h"
#include "platform/Error.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

using platform::FileStream;

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(LockerHeader, WrittenAndReadBack) {
    test::TempFolder temp;
    TLockerHeader header;
    header.PasswordSlot = {200000, RandomBytes(16), RandomBytes(32)};
    header.RecoverySlot = {123, RandomBytes(16), RandomBytes(32)};
    header.Nonce = RandomBytes(16);
    header.PayloadMac = RandomBytes(32);
    header.PayloadLength = 3;
    {
        FileStream out(temp / "h", FileStream::Mode::Create);
        WriteLockerHeader(out, header);
        EXPECT_EQ(out.Position(), LockerHeaderSize);
        WriteBytes(out, {1, 2, 3});
        out.Close();
    }
    const std::string raw = test::ReadFile(temp / "h");
    EXPECT_EQ(raw.substr(0, 9), std::string("\x05\0\0\0VKLK4", 9));
    EXPECT_EQ(raw.substr(9, 8), std::string("\x04\0\0\0\x40\x0d\x03\0", 8)) << "version 4, 200000 iterations";

    FileStream in(temp / "h", FileStream::Mode::Read);
    for (auto recovery : {RecoverySlotReading::Read, RecoverySlotReading::Skip}) {
        const TLockerHeader back = ReadLockerHeader(in, recovery);
        EXPECT_EQ(in.Position(), LockerHeaderSize);
        EXPECT_EQ(back.PasswordSlot.Iterations, 200000);
        EXPECT_EQ(back.PasswordSlot.Salt, header.PasswordSlot.Salt);
        EXPECT_EQ(back.PasswordSlot.WrappedKey, header.PasswordSlot.WrappedKey);
        if (recovery == RecoverySlotReading::Read) {
            EXPECT_EQ(back.RecoverySlot.Iterations, 123);
            EXPECT_EQ(back.RecoverySlot.Salt, header.RecoverySlot.Salt);
            EXPECT_EQ(back.RecoverySlot.WrappedKey, header.RecoverySlot.WrappedKey);
        }
        EXPECT_EQ(back.Nonce, header.Nonce);
        EXPECT_EQ(back.PayloadMac, header.PayloadMac);
        EXPECT_EQ(back.PayloadLength, 3);
    }
}

TEST(LockerStreams, EncryptedFieldsReadBackWithFreshTransformAndStreamedMacMatches) {
    test::TempFolder temp;
    const Bytes encKey = RandomBytes(32), macKey = RandomBytes(32), nonce = RandomBytes(16);
    {
        FileStream out(temp / "p", FileStream::Mode::Create);
        WriteBytes(out, Bytes(5, 0xEE)); // a prefix outside the payload
        THmacSha256 mac(macKey);
        TAesCtrTransform aes(encKey, nonce);
        mac.UpdateBytes(nonce);
        WriteEncryptedString(out, mac, aes, "n\xC3\xA4me");
        WriteEncryptedString(out, mac, aes, "");
        WriteEncryptedByte(out, mac, aes, 1);
        WriteEncryptedInt32(out, mac, aes, -7);
        WriteEncryptedInt64(out, mac, aes, 0x0102030405060708LL);
        Bytes content(5000, 0x5A);
        WriteEncrypted(out, mac, aes, content.data(), static_cast<std::int32_t>(content.size()));
        const Bytes streamed = mac.FinalBytes();
        out.Close();

        const std::string raw = test::ReadFile(temp / "p");
        Bytes covered = nonce;
        covered.insert(covered.end(), raw.begin() + 5, raw.end());
        EXPECT_EQ(streamed, HmacSha256(macKey, covered)) << "the MAC is over nonce and ciphertext";
        FileStream in(temp / "p", FileStream::Mode::Read);
        EXPECT_EQ(ComputePayloadMac(in, 5, static_cast<std::int64_t>(raw.size()) - 5, macKey, nonce), streamed);
    }
    FileStream in(temp / "p", FileStream::Mode::Read);
    in.Seek(5);
    TAesCtrTransform aes(encKey, nonce);
    EXPECT_EQ(ReadDecryptedString(in, aes), "n\xC3\xA4me");
    EXPECT_EQ(ReadDecryptedString(in, aes), "");
    EXPECT_EQ(ReadDecryptedByte(in, aes), 1);
    EXPECT_EQ(ReadDecryptedInt32(in, aes), -7);
    EXPECT_EQ(ReadDecryptedInt64(in, aes), 0x0102030405060708LL);
    Bytes content(5000);
    ReadDecrypted(in, aes, content.data(), 5000);
    EXPECT_EQ(content, Bytes(5000, 0x5A));
    EXPECT_EQ(MessageOf([&] { ReadDecryptedByte(in, aes); }), "Stream read error");
}

TEST(LockerStreams, ReadersRefuseBadLengths) {
    test::TempFolder temp;
    const auto fileWith = [&](const std::string& bytes) {
        test::WriteFile(temp / "f", bytes);
        return std::make_unique<FileStream>(temp / "f", FileStream::Mode::Read);
    };
    EXPECT_EQ(MessageOf([&] { ReadBytes(*fileWith("abc"), -1); }), "Invalid byte count.");
    EXPECT_EQ(MessageOf([&] { ReadBytes(*fileWith("abc"), 4); }), "Stream read error");
    EXPECT_EQ(MessageOf([&] { ReadPlainString(*fileWith(std::string("\xff\xff\xff\xff", 4))); }),
              "Invalid string length.");
    // A length far beyond the file is refused before anything is allocated.
    EXPECT_EQ(MessageOf([&] {
                  ReadPlainString(*fileWith(std::string("\xff\xff\xff\x7f"
                                                        "abc",
                                                        7)));
              }),
              "Stream read error");
    EXPECT_EQ(MessageOf([&] { ReadInt32(*fileWith("ab")); }), "Stream read error");

    const Bytes key = RandomBytes(32), nonce = RandomBytes(16);
    {
        FileStream out(temp / "e", FileStream::Mode::Create);
        THmacSha256 mac(key);
        TAesCtrTransform aes(key, nonce);
        WriteEncryptedInt32(out, mac, aes, -1);
        out.Close();
    }
    FileStream in(temp / "e", FileStream::Mode::Read);
    TAesCtrTransform aes(key, nonce);
    EXPECT_EQ(MessageOf([&] { ReadDecryptedString(in, aes); }), "Invalid encrypted string length.");
}

TEST(LockerSlots, SecretOpensItsSlotAndWrongSecretNone) {
    test::TempFolder temp;
    test::CraftedLocker crafted;
    crafted.Entries = {{"a.txt", false, 0x20, "hello"}};
    crafted.WriteTo(temp / "l.vklocker");
    FileStream in(temp / "l.vklocker", FileStream::Mode::Read);
    const TLockerHeader header = ReadLockerHeader(in, RecoverySlotReading::Read);

    EXPECT_EQ(OpenLockerWithSecret(in, header, "pw").Slot, OpenedSlot::Password);
    EXPECT_EQ(OpenLockerWithSecret(in, header, crafted.RecoveryCode).Slot, OpenedSlot::Recovery);
    EXPECT_EQ(OpenLockerWithSecret(in, header, "wrong").Slot, OpenedSlot::None);
    EXPECT_EQ(OpenLockerWithSecret(in, header, "").Slot, OpenedSlot::None);
    const TOpenedLocker a = OpenLockerWithSecret(in, header, "pw");
    const TOpenedLocker b = OpenLockerWithSecret(in, header, crafted.RecoveryCode);
    EXPECT_EQ(a.MasterKey, b.MasterKey) << "both slots hold the same master key";
    EXPECT_EQ(a.MasterKey.size(), 32u);
}

TEST(LockerSlots, IterationCountsAreCheckedBeforeDeriving) {
    test::TempFolder temp;
    test::CraftedLocker crafted;
    crafted.PasswordIterations = 0;
    crafted.WriteTo(temp / "zero.vklocker");
    crafted.PasswordIterations = 1000;
    crafted.RecoveryIterations = 0x7FFFFFFF; // hours of derivation if it were attempted
    crafted.WriteTo(temp / "huge.vklocker");

    FileStream zero(temp / "zero.vklocker", FileStream::Mode::Read);
    const TLockerHeader zeroHeader = ReadLockerHeader(zero, RecoverySlotReading::Read);
    EXPECT_EQ(MessageOf([&] { OpenLockerWithSecret(zero, zeroHeader, "pw"); }), "Iterations must be positive.");

    FileStream huge(temp / "huge.vklocker", FileStream::Mode::Read);
    const TLockerHeader hugeHeader = ReadLockerHeader(huge, RecoverySlotReading::Read);
    EXPECT_EQ(OpenLockerWithSecret(huge, hugeHeader, "pw").Slot, OpenedSlot::Password);
    EXPECT_EQ(MessageOf([&] { OpenLockerWithSecret(huge, hugeHeader, "wrong"); }), "Invalid locker iteration count.");
}

TEST(LockerPaths, SanitizeRelativePath) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/b", "a\\b"},     {"..\\..\\c", "c"}, {"..", ""},           {"a\\..\\b", "a\\..\\b"},
        {"\\\\/x", "x"},      {"../../c", "c"},   {"...\\x", "...\\x"}, {"", ""},
        {"a\\b\\", "a\\b\\"}, {"..\\..", ""},     {"..x", "..x"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(SanitizeRelativePath(in), out) << in;
}

TEST(LockerPaths, IsLockerFileName) {
    const std::pair<const char*, bool> cases[] = {
        {"a.VKLOCKER", true}, {"C:\\x\\b.vklocker", true}, {"/x/b.VkLocker", true}, {"b.vklocker.tmp", false},
        {"vklocker", false},  {"dir.vklocker/b", false},   {".vklocker", true},     {"b.vklockers", false},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(IsLockerFileName(name), expected) << name;
}

TEST(LockerPaths, UnsafeStoredNamesAreRefused) {
    for (const char* root : {"", ".", "..", "a/b", "a\\b", "/abs"})
        EXPECT_NE(MessageOf([&] { CheckRootName(root); }), "(no error)") << root;
    for (const char* root : {"a", "x.txt", "...", "n\xC3\xA4me", "a:b"})
        EXPECT_EQ(MessageOf([&] { CheckRootName(root); }), "(no error)") << root;

    for (const char* path : {"a\\..\\..\\x", "..", "a\\..", "\\x", "a/b", "."})
        EXPECT_NE(MessageOf([&] { SafeRelativePath(path); }), "(no error)") << path;
    EXPECT_EQ(SafeRelativePath("a\\b\\c"), std::filesystem::path("a/b/c"));
    EXPECT_EQ(SafeRelativePath("a\\\\.\\b"), std::filesystem::path("a/b"));
    EXPECT_EQ(MessageOf([] { SafeRelativePath("a\\..\\..\\x"); }), "Unsafe entry path in locker: \"a\\..\\..\\x\".");
    EXPECT_EQ(MessageOf([] { StoredRelativePath("dir/we\\ird"); }),
              "Cannot store the name \"dir/we\\ird\": it contains a backslash.");
}

} // namespace
} // namespace vk
