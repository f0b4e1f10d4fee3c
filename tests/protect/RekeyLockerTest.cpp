#include "platform/uPlatform.h"
#include "protect/ProtectFixture.h"
#include "protect/uPasswordChange.h"

#include <gmock/gmock.h>

#include <fstream>

namespace vk::test {
namespace {

using platform::faults::Op;
using ::testing::HasSubstr;

const std::string NewPassword = "a new one";

// The tree a locker opens to with the secret, or nothing when it does not open.
std::optional<std::map<std::string, std::string>> Opened(const fs::path& locker, const std::string& secret) {
    TempFolder out;
    const fs::path folder = out / "out";
    if (!ExtractLocker(locker.string(), folder.string(), secret).Success)
        return std::nullopt;
    const auto names = NamesIn(folder);
    if (names.size() != 1)
        return std::nullopt;
    return Listing(folder / *names.begin());
}

class RekeyLockerTest : public ProtectTest {
protected:
    // Hides the item and returns its content and the locker's recovery code.
    std::pair<std::map<std::string, std::string>, std::string> HideNow(const fs::path& item) {
        const auto content = Listing(item);
        const TProtectOutcome hidden = Hide(item);
        EXPECT_TRUE(hidden.Success) << hidden.MessageText;
        return {content, hidden.RecoveryCode};
    }

    // The locker and everything else in the folder are as they were.
    void ExpectUnchanged(const fs::path& locker, const std::string& bytes) const {
        EXPECT_EQ(ReadFile(locker), bytes);
        EXPECT_EQ(NamesIn(Dir), std::set<std::string>{locker.filename().string()});
    }
};

struct TItemCase {
    const char* Name;
    std::function<fs::path(const fs::path& dir)> Make;
};

class RekeyEveryKindOfItem : public RekeyLockerTest, public ::testing::WithParamInterface<TItemCase> {};

TEST_P(RekeyEveryKindOfItem, OpensWithTheNewPasswordAndCodeOnlyAndKeepsItsHidingBits) {
    const fs::path item = GetParam().Make(Dir);
    const auto [content, oldCode] = HideNow(item);
    const fs::path locker = LockerOf(item);
    const std::uint32_t hiding = platform::GetFileAttributes(locker);

    const TRekeyOutcome outcome = RekeyLockerFile(locker.string(), Password, NewPassword);
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_NE(outcome.RecoveryCode, oldCode);
    EXPECT_EQ(Opened(locker, NewPassword), content);
    EXPECT_EQ(Opened(locker, outcome.RecoveryCode), content);
    EXPECT_EQ(Opened(locker, Password), std::nullopt);
    EXPECT_EQ(Opened(locker, oldCode), std::nullopt);
    EXPECT_EQ(platform::GetFileAttributes(locker), hiding);
#ifndef _WIN32
    // Windows items have no such bits: the standard library shows 0666 there.
    EXPECT_EQ(fs::status(locker).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
    // Nothing beside it: no item, no temporary file.
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{locker.filename().string()});
}

INSTANTIATE_TEST_SUITE_P(Items, RekeyEveryKindOfItem,
                         ::testing::Values(TItemCase{"File",
                                                     [](const fs::path& dir) {
                                                         WriteFile(dir / "notes.txt",
                                                                   std::string(600 * 1024, 'n') + "end");
                                                         return dir / "notes.txt";
                                                     }},
                                           TItemCase{"EmptyFile",
                                                     [](const fs::path& dir) {
                                                         WriteFile(dir / "empty.txt", "");
                                                         return dir / "empty.txt";
                                                     }},
                                           TItemCase{"EmptyFolder",
                                                     [](const fs::path& dir) {
                                                         fs::create_directories(dir / "Nothing");
                                                         return dir / "Nothing";
                                                     }},
                                           TItemCase{"NestedFolder",
                                                     [](const fs::path& dir) {
                                                         WriteFile(dir / "Private" / "a.txt", "alpha");
                                                         WriteFile(dir / "Private" / "sub" / "deeper" / "b.txt",
                                                                   "bravo");
                                                         fs::create_directories(dir / "Private" / "empty");
                                                         return dir / "Private";
                                                     }}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(RekeyLockerTest, TheRecoveryCodeOpensTheOldLockerToo) {
    const auto [content, oldCode] = HideNow(MakeTree());
    const TRekeyOutcome outcome = RekeyLockerFile(LockerOf(Item()).string(), oldCode, NewPassword);
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(Opened(LockerOf(Item()), NewPassword), content);
}

// A wrong secret, a damaged payload, a Stop part-way and a full disk: the old
// locker stays byte for byte and nothing is left beside it.
TEST_F(RekeyLockerTest, AFailureLeavesTheOldLockerAndNoNewFile) {
    WriteFile(Item("big.bin"), std::string(3 * 1024 * 1024, 'b'));
    HideNow(Item("big.bin"));
    const fs::path locker = LockerOf(Item("big.bin"));
    const std::string bytes = ReadFile(locker);

    const TRekeyOutcome wrong = RekeyLockerFile(locker.string(), "not it", NewPassword);
    EXPECT_FALSE(wrong.Success);
    EXPECT_TRUE(wrong.SecretRefused);
    EXPECT_EQ(wrong.MessageText, "Invalid password or recovery code.");
    ExpectUnchanged(locker, bytes);

    int reports = 0;
    TProtectCallbacks stopping;
    stopping.Progress = [&](const std::string&, std::int64_t, std::int64_t) { ++reports; };
    stopping.Cancel = [&] { return reports >= 2; };
    const TRekeyOutcome stopped = RekeyLockerFile(locker.string(), Password, NewPassword, stopping);
    EXPECT_FALSE(stopped.Success);
    EXPECT_EQ(stopped.MessageText, "Operation cancelled by user.");
    ExpectUnchanged(locker, bytes);

    platform::faults::FailWriteAfter(1024 * 1024);
    const TRekeyOutcome full = RekeyLockerFile(locker.string(), Password, NewPassword);
    platform::faults::Clear();
    EXPECT_FALSE(full.Success);
    EXPECT_THAT(full.MessageText, HasSubstr("No space left on device"));
    ExpectUnchanged(locker, bytes);

    // One byte of the payload's last chunk flipped: the key still opens its
    // start, and the MAC refuses the rest.
    std::string damaged = bytes;
    damaged[damaged.size() - 100] ^= 0x01;
    {
        platform::SetFileAttributes(locker, platform::FILE_ATTRIBUTE_NORMAL);
        std::ofstream(locker, std::ios::binary | std::ios::trunc) << damaged;
    }
    const TRekeyOutcome refused = RekeyLockerFile(locker.string(), Password, NewPassword);
    EXPECT_FALSE(refused.Success);
    EXPECT_FALSE(refused.SecretRefused);
    EXPECT_EQ(refused.MessageText, "Locker verification failed (MAC mismatch).");
    ExpectUnchanged(locker, damaged);
}

// A kill before the rename leaves a new file beside the complete old locker;
// the next re-encryption of that locker removes it.
TEST_F(RekeyLockerTest, ALeftoverOfAKilledRunIsRemovedByTheNext) {
    HideNow(MakeTree());
    const fs::path locker = LockerOf(Item());
    const fs::path leftover = Dir / ".Private.vklocker.vkrekey-00112233445566778899aabbccddeeff";
    WriteFile(leftover, ReadFile(locker));
    const TRekeyOutcome outcome = RekeyLockerFile(locker.string(), Password, NewPassword);
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private.vklocker"});
}

// Each step that can fail on the disk, failing: the old locker or the new one
// is in place and opens, and no new file is left beside it.
TEST_F(RekeyLockerTest, EveryFailingStepLeavesOneLockerThatOpens) {
    const auto [content, code] = HideNow(MakeTree());
    const fs::path locker = LockerOf(Item());
    for (const Op op : {Op::Write, Op::Sync, Op::SetAttributes, Op::Rename}) {
        for (int nth = 1; nth < 6; ++nth) {
            platform::faults::FailAt(op, nth);
            const TRekeyOutcome outcome = RekeyLockerFile(locker.string(), Password, NewPassword);
            platform::faults::Clear();
            if (outcome.Success) {
                // The old password's turn again for the next case.
                ASSERT_TRUE(RekeyLockerFile(locker.string(), NewPassword, Password).Success);
                break;
            }
            EXPECT_EQ(Opened(locker, Password), content) << static_cast<int>(op) << " " << nth;
            EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private.vklocker"});
        }
    }
}

} // namespace
} // namespace vk::test
