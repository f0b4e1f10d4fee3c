#include "platform/uPlatform.h"
#include "protect/ProtectFixture.h"

namespace vk::test {
namespace {

using ImportLockerTest = ProtectTest;
using platform::faults::Op;

// A locker of MakeTree's tree lying at Dir/Old.vklocker, its item gone.
std::map<std::string, std::string> LockerOnly(const fs::path& tree, const fs::path& locker) {
    const auto content = Listing(tree);
    EXPECT_TRUE(CreateLocker(tree.string(), locker.string(), Password).Success);
    fs::remove_all(tree);
    return content;
}

TEST_F(ImportLockerTest, BringsTheItemBackUnderTheLockersNameAndDeletesTheLocker) {
    // Stored under "Private", lying as "Old.vklocker": the item is "Old".
    const auto tree = LockerOnly(MakeTree(), Item("Old.vklocker"));
    const TProtectOutcome outcome = ImportLocker(Item("Old.vklocker").string(), Password);
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(outcome.ItemPath, Item("Old").string());
    EXPECT_EQ(Listing(Item("Old")), tree);
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Old"});
}

TEST_F(ImportLockerTest, NeverWritesIntoAnExistingItem) {
    LockerOnly(MakeTree(), Item("Old.vklocker"));
    WriteFile(Item("Old") / "mine.txt", "mine");
    const TProtectOutcome outcome = ImportLocker(Item("Old.vklocker").string(), Password);
    EXPECT_FALSE(outcome.Success);
    EXPECT_EQ(outcome.MessageText, "Cannot import: an item of the same name already exists:\n" + Item("Old").string());
    EXPECT_EQ(Listing(Item("Old")), (std::map<std::string, std::string>{{"mine.txt", "mine"}}));
    EXPECT_EQ(NamesIn(Dir), (std::set<std::string>{"Old", "Old.vklocker"}));
}

// Every flush of the extracted files and their folders comes before the
// locker is deleted: whichever flush fails, the locker is still there and
// nothing lies under the item's name.
TEST_F(ImportLockerTest, TheLockerIsDeletedOnlyAfterEveryFlush) {
    const auto tree = LockerOnly(MakeTree(), Item("Old.vklocker"));
    int failingFlushes = 0;
    for (int nth = 1;; ++nth) {
        platform::faults::FailAt(Op::Sync, nth);
        const TProtectOutcome outcome = ImportLocker(Item("Old.vklocker").string(), Password);
        platform::faults::Clear();
        if (outcome.Success)
            break;
        ++failingFlushes;
        EXPECT_TRUE(LockerHolds(Item("Old.vklocker"), tree)) << "flush " << nth;
        EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Old.vklocker"}) << "flush " << nth;
        ASSERT_LT(nth, 50);
    }
    // The files, the two folders below the root, the root, the staging
    // folder and the target folder.
    EXPECT_GE(failingFlushes, 6);
    EXPECT_EQ(Listing(Item("Old")), tree);
}

TEST_F(ImportLockerTest, ExtractionThroughStagingNeverReplaces) {
    const auto tree = LockerOnly(MakeTree(), Item("Old.vklocker"));
    const fs::path out = Dir / "out";
    TProtectOutcome outcome = ExtractWithoutReplacing(Item("Old.vklocker").string(), out.string(), Password);
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(outcome.ItemPath, (out / "Private").string());
    EXPECT_EQ(Listing(out / "Private"), tree);
    EXPECT_TRUE(fs::exists(Item("Old.vklocker")));

    outcome = ExtractWithoutReplacing(Item("Old.vklocker").string(), out.string(), Password);
    EXPECT_FALSE(outcome.Success);
    EXPECT_EQ(NamesIn(out), std::set<std::string>{"Private"});
}

} // namespace
} // namespace vk::test
