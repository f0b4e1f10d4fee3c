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
    for (const char* root : {"", ".", "..", "a/b", "a\\b", "/abs", "C:", "c:x", "C:\\x"})
        EXPECT_NE(MessageOf([&] { CheckRootName(root); }), "(no error)") << root;
    for (const char* root : {"a", "x.txt", "...", "n\xC3\xA4me", "ab:c", "1:x"})
        EXPECT_EQ(MessageOf([&] { CheckRootName(root); }), "(no error)") << root;
    EXPECT_EQ(MessageOf([] { StoredRelativePath("dir/we\\ird"); }),
              "Cannot store the name \"dir/we\\ird\": it contains a backslash.");
}

TEST(LockerPaths, EntryTableHasOneCanonicalForm) {
    const auto file = [](const std::string& path) { return TEntryInfo{path, "", false, 0x20, 3}; };
    const auto folder = [](const std::string& path) { return TEntryInfo{path, "", true, 0x10, 0}; };
    const std::string deep = [] {
        std::string path = "d";
        for (int level = 1; level < 300; ++level)
            path += "\\d";
        return path;
    }();
    struct Case {
        const char* name;
        bool rootIsFolder;
        std::vector<TEntryInfo> entries;
        std::string message; // empty: accepted
    };
    const std::vector<Case> cases = {
        {"a tree, folders first", true, {folder("a"), file("a\\x"), folder("a\\b"), file("a\\b\\y"), file("z")}, ""},
        {"an empty folder locker", true, {}, ""},
        {"one file under the root name", false, {file("root")}, ""},
        {"names with colons after the first character", true, {file("ab:c"), file("1:x")}, ""},
        {"leading parent component", true, {file("..\\x")}, "Unsafe entry path in locker: \"..\\x\"."},
        {"inner parent component", true, {folder("a"), file("a\\..\\x")}, "Unsafe entry path in locker: \"a\\..\\x\"."},
        {"dot component", true, {folder("a"), file("a\\.\\x")}, "Unsafe entry path in locker: \"a\\.\\x\"."},
        {"lone dot", true, {folder(".")}, "Unsafe entry path in locker: \".\"."},
        {"empty component", true, {folder("a"), file("a\\\\x")}, "Unsafe entry path in locker: \"a\\\\x\"."},
        {"trailing separator", true, {folder("a\\")}, "Unsafe entry path in locker: \"a\\\"."},
        {"empty path", true, {file("")}, "Unsafe entry path in locker: \"\"."},
        {"leading backslash", true, {file("\\x")}, "Unsafe entry path in locker: \"\\x\"."},
        {"server path", true, {file("\\\\server\\x")}, "Unsafe entry path in locker: \"\\\\server\\x\"."},
        {"drive and root", true, {file("C:\\x")}, "Unsafe entry path in locker: \"C:\\x\"."},
        {"drive-relative", true, {file("C:x")}, "Unsafe entry path in locker: \"C:x\"."},
        {"forward slash", true, {file("a/b")}, "Unsafe entry path in locker: \"a/b\"."},
        {"NUL", true, {file(std::string("a\0b", 3))}, "Unsafe entry path in locker: \"a?b\"."},
        {"duplicate file", true, {file("x"), file("x")}, "Duplicate entry in locker: \"x\"."},
        {"file and folder of one name", true, {folder("x"), file("x")}, "Duplicate entry in locker: \"x\"."},
        {"contents before their folder",
         true,
         {file("a\\x"), folder("a")},
         "The entry \"a\\x\" comes before its folder in the locker."},
        {"a file as a folder",
         true,
         {file("a"), file("a\\x")},
         "The entry \"a\\x\" comes before its folder in the locker."},
        {"one-file locker with a tree",
         false,
         {folder("root"), file("root\\x")},
         "A one-file locker must hold exactly one file."},
        {"one-file locker under another name", false, {file("other")}, "A one-file locker must hold exactly one file."},
        {"one-file locker without an entry", false, {}, "A one-file locker must hold exactly one file."},
        {"a folder with a size", true, {TEntryInfo{"a", "", true, 0x10, 5}}, "Invalid entry size in locker."},
        {"negative size", true, {TEntryInfo{"a", "", false, 0x20, -1}}, "Invalid entry size in locker."},
        {"a name too long",
         true,
         {file(std::string(256, 'n'))},
         "The entry \"" + std::string(120, 'n') + "...\" exceeds the limits of this system."},
        {"a path too deep",
         true,
         {folder(deep)},
         "The entry \"" + deep.substr(0, 120) + "...\" exceeds the limits of this system."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string message = MessageOf([&] { CheckEntryTable("root", c.rootIsFolder, c.entries); });
        EXPECT_EQ(message, c.message.empty() ? "(no error)" : c.message);
    }
}

} // namespace
} // namespace vk
