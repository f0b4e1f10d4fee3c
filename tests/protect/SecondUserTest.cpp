// Another local user who can write the folder that holds the user's item (a
// shared scratch folder with the sticky bit) plants what they like under the
// staging names. Run as root, the planting is done as an unprivileged user;
// elsewhere these tests are skipped with the reason.

#include "platform/uPlatform.h"
#include "protect/ProtectFixture.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace vk::test {
namespace {

constexpr const char* OtherUser = "nobody";

std::string WhyNoOtherUser() {
    if (::geteuid() != 0)
        return "the tests do not run as root, so they cannot act as another user";
    if (::getpwnam(OtherUser) == nullptr)
        return std::string("there is no user ") + OtherUser;
    if (std::system("command -v setpriv >/dev/null 2>&1") != 0)
        return "setpriv is not installed";
    return {};
}

class SecondUserTest : public ProtectTest {
protected:
    void SetUp() override {
        const std::string why = WhyNoOtherUser();
        if (!why.empty())
            GTEST_SKIP() << "skipped: " << why;
        // The way to the folder is open to all; the folder is a shared,
        // sticky scratch folder.
        fs::permissions(Temp.path(), fs::perms::all & ~(fs::perms::group_write | fs::perms::others_write));
        fs::permissions(Dir, fs::perms::all | fs::perms::sticky_bit);
    }

    // Runs a shell command as the other user, in the items' folder.
    void AsOtherUser(const std::string& command) const {
        const std::string line = "cd '" + Dir.string() + "' && setpriv --reuid=" + OtherUser +
                                 " --regid=65534 --clear-groups sh -c '" + command + "'";
        ASSERT_EQ(std::system(line.c_str()), 0) << line;
    }
};

TEST_F(SecondUserTest, PlantedStagingNamesNeverCostTheLockerOrTheItem) {
    const fs::path item = MakeTree();
    const auto tree = Listing(item);
    ASSERT_EQ(Hide(item).End, TProtectEnd::Hidden);
    AsOtherUser("touch Private && mkdir .Private.vkready-00AA00AA00AA .Private.vkhide-00AA00AA00AA "
                ".Private.vkaside-00AA00AA00AA && echo forged > .Private.vkplaced-00AA00AA00AA && "
                "echo forged > .Private.vkheld-00AA00AA00AA && echo theirs > .Private.vkaside-00AA00AA00AA/x");

    ScriptedConflict conflict{TConflictAnswer::Skip};
    TProtectOutcome outcome = Restore(item, conflict.Callbacks());
    EXPECT_EQ(outcome.End, TProtectEnd::NothingChanged) << outcome.MessageText;
    EXPECT_EQ(conflict.Asked, 1);
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
    EXPECT_FALSE(outcome.LeftoverPath.empty());
    for (const char* planted :
         {".Private.vkready-00AA00AA00AA", ".Private.vkhide-00AA00AA00AA", ".Private.vkaside-00AA00AA00AA",
          ".Private.vkplaced-00AA00AA00AA", ".Private.vkheld-00AA00AA00AA"})
        EXPECT_TRUE(fs::exists(Dir / planted)) << planted << " was acted on";

    // Once the other user's file is gone, the locker's item comes back; what
    // they planted is still left alone.
    AsOtherUser("rm Private");
    outcome = Restore(item, conflict.Callbacks());
    EXPECT_EQ(outcome.End, TProtectEnd::Restored) << outcome.MessageText;
    EXPECT_EQ(Listing(item), tree);
    EXPECT_EQ(ReadFile(Dir / ".Private.vkaside-00AA00AA00AA" / "x"), "theirs\n");
}

TEST_F(SecondUserTest, APlantedLinkAtTheOldTemporaryNameAndPlantedFoldersLeaveTheHideWhole) {
    const fs::path item = MakeTree();
    const auto tree = Listing(item);
    WriteFile(Dir / "elsewhere.txt", "the user's other file");
    AsOtherUser("ln -s elsewhere.txt Private.vklocker.tmp && mkdir .Private.vkdelete-00AA00AA00AA");
    const TProtectOutcome outcome = Hide(item);
    EXPECT_EQ(outcome.End, TProtectEnd::Hidden) << outcome.MessageText;
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
    EXPECT_EQ(ReadFile(Dir / "elsewhere.txt"), "the user's other file");
    EXPECT_TRUE(fs::is_symlink(Dir / "Private.vklocker.tmp"));
    EXPECT_TRUE(fs::exists(Dir / ".Private.vkdelete-00AA00AA00AA"));
}

} // namespace
} // namespace vk::test
