#include "locker/LockerTestSupport.h"
#include "security/uSecurityUtils.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vk {
namespace {

namespace fs = std::filesystem;

// A counter instead of the system's generator: keys, salts, nonce and
// recovery code come out the same on every run.
std::uint8_t NextRandom = 0;

void CountingFill(std::uint8_t* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        out[i] = NextRandom++;
}

class FixedRandom {
public:
    FixedRandom() {
        NextRandom = 0;
        SetRandomFillForTesting(CountingFill);
    }
    ~FixedRandom() { SetRandomFillForTesting(nullptr); }
};

struct Case {
    const char* name;
    std::map<std::string, std::string> files; // below the source; "<dir>" for a folder
    const char* source;                       // the item locked
    const char* baseSha256;                   // of header and payload
    const char* sha256;                       // with the block of times and modes
};

// Every folder holds one item only, so the stored order does not depend on
// the order a file system lists names in.
std::vector<Case> Cases() {
    return {
        {"small file",
         {{"note.txt", "Hello, locker!\n"}},
         "note.txt",
         "6BC653606463A7BB19269B091C8C8C19D962BEDFD4EC3C685F19182A6BBE0871",
         "E1F8E980AB0D8C8D0072462CBAD98CB9FEF00F30AC596CB4E2127683D16BE8EE"},
        {"empty file",
         {{"empty.txt", ""}},
         "empty.txt",
         "811B6D771D90D57BE5630F799786FA876C9FC8DACC5B86C61330322E5EC670CD",
         "04B98F0957E8A2CBDF14FE152B697A962B20CD8753EE2EA41E61715CBD2888A4"},
        {"file over several buffers",
         {{"big.bin", test::SomeData(5 * 1024 * 1024 + 7, 3)}},
         "big.bin",
         "41D6C2719D6EFDD0BD83F2B913C2A1FED10D5BDB0893BB6C019C78D63E2D7F04",
         "2716F03B4F49AE55E730AC4A349C0AF2F38B4F4692BD870A9D5F03C5D0ACF5FD"},
        {"tree",
         {{"Tree/Sub/Deeper/data.bin", test::SomeData(1024 * 1024 + 333, 5)}},
         "Tree",
         "C2C26CFCD177039CB4BAA4715FBDE19B716D50774588BCBC5B65747EBF3BC4D2",
         "9D2C755553B07EF45ACB700C8C95522CB78CF61E7C1AAC93DE778A4B731D4944"},
    };
}

// The engine's output for a fixed key, nonce and salts: any change to how it
// reads, encrypts, authenticates or writes must leave these bytes alone.
TEST(LockerIdentity, SameBytesForFixedRandomness) {
    for (const Case& item : Cases()) {
        SCOPED_TRACE(item.name);
        test::TempFolder temp;
        for (const auto& [path, content] : item.files)
            test::WriteFile(temp / "in" / path, content);
        // Times and modes are stored too: fixed for every item.
        for (const auto& entry : fs::recursive_directory_iterator(temp / "in")) {
            fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
            fs::last_write_time(entry.path(), fs::file_time_type(std::chrono::seconds(1700000000)));
        }
        const fs::path locker = temp / "out.vklocker";
        {
            FixedRandom fixed;
            test::CreateOk(temp / "in" / item.source, locker, "fixed password");
        }
        const std::string raw = test::ReadFile(locker);
        const auto payloadEnd = static_cast<std::size_t>(test::PayloadEnd(locker));
        EXPECT_EQ(BytesToHex(Sha256Bytes(Bytes(raw.begin(), raw.begin() + payloadEnd))), item.baseSha256);
        EXPECT_EQ(BytesToHex(Sha256Bytes(Bytes(raw.begin(), raw.end()))), item.sha256);
    }
}

} // namespace
} // namespace vk
