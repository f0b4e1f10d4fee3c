#include "locker/LockerTestSupport.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

namespace fs = std::filesystem;
using platform::FILE_ATTRIBUTE_READONLY;
using test::TreeOf;

struct Golden {
    const char* file;
    const char* password;
    const char* recoveryCode;
    std::map<std::string, std::string> tree; // below the target folder
    const char* readOnly;                    // a file that comes back read-only, or null
};

const fs::path GoldenFolder = fs::path(VEILKEEP_TEST_DATA) / "lockers";

std::vector<Golden> Goldens() {
    return {
        {"hello.txt.vklocker",
         "golden-password",
         "B9FD-753C-74A2-C664-A092-9A5C-5A96-EA3D",
         {{"hello.txt", "Hello, locker!\n"}},
         nullptr},
        {"Golden Tree.vklocker",
         "p\xC3\xA4sswort \xE2\x82\xAC",
         "216B-9F4A-5610-8325-8720-ECCA-56E6-B7FD",
         {{"Golden Tree", "<dir>"},
          {"Golden Tree/readme.txt", "top level\n"},
          {"Golden Tree/empty.txt", ""},
          {"Golden Tree/Empty Folder", "<dir>"},
          {"Golden Tree/Sub", "<dir>"},
          {"Golden Tree/Sub/n\xC3\xA4me \xE6\x96\x87.txt", "non-ASCII name\n"},
          {"Golden Tree/Sub/Deeper", "<dir>"},
          {"Golden Tree/Sub/Deeper/ro.txt", "read only\n"}},
         "Golden Tree/Sub/Deeper/ro.txt"},
    };
}

TEST(GoldenLockers, OpenWithPasswordAndRecoveryCode) {
    for (const Golden& golden : Goldens()) {
        SCOPED_TRACE(golden.file);
        test::TempFolder temp;
        const fs::path locker = GoldenFolder / golden.file;
        std::string message;
        EXPECT_TRUE(VerifyLocker(locker.string(), golden.password, message)) << message;

        for (const char* secret : {golden.password, golden.recoveryCode}) {
            const fs::path target = temp / (secret == golden.password ? "by-password" : "by-code");
            const TLockerResult result = ExtractLocker(locker.string(), target.string(), secret);
            ASSERT_TRUE(result.Success) << result.MessageText;
            EXPECT_EQ(result.RecoveryCode, secret == golden.password ? "" : golden.recoveryCode);
            EXPECT_EQ(TreeOf(target), golden.tree);
            if (golden.readOnly != nullptr) {
                EXPECT_TRUE(platform::GetFileAttributes(target / golden.readOnly) & FILE_ATTRIBUTE_READONLY);
            }
        }
        const std::string raw = test::ReadFile(locker);
        EXPECT_EQ(raw.substr(0, 17), std::string("\x05\0\0\0VKLK4\x04\0\0\0\x40\x0d\x03\0", 17));
        EXPECT_EQ(raw.substr(65, 4), std::string("\x40\x0d\x03\0", 4)) << "recovery iterations 200000";
    }
}

} // namespace
} // namespace vk
