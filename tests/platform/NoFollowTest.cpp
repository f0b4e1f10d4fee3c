// Creating and deleting beside a user's item when someone else can write the
// folder: nothing is written through a link or into a file that was already
// there, and a folder swapped for a link during a deletion never leads
// outside the tree.

#include "platform/Error.h"
#include "platform/uPlatform.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vk::platform {
namespace {

class NoFollowTest : public ::testing::Test {
protected:
    void TearDown() override { faults::Clear(); }
    test::TempFolder Temp;
};

TEST_F(NoFollowTest, ANewFileIsNeverMadeThroughAnythingAtItsName) {
    test::WriteFile(Temp / "target.txt", "the user's other file");
    fs::permissions(Temp / "target.txt", fs::perms::owner_read);
    const struct {
        const char* Name;
        void (*Plant)(const fs::path& at, const fs::path& target);
    } cases[] = {
        {"link to a file", [](const fs::path& at, const fs::path& target) { fs::create_symlink(target, at); }},
        {"dangling link",
         [](const fs::path& at, const fs::path& target) { fs::create_symlink(target.string() + ".new", at); }},
        {"hard link", [](const fs::path& at, const fs::path& target) { fs::create_hard_link(target, at); }},
        {"folder", [](const fs::path& at, const fs::path&) { fs::create_directory(at); }},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path at = Temp / ("locker" + std::to_string(++n) + ".tmp");
        c.Plant(at, Temp / "target.txt");
        EXPECT_THROW(FileStream(at, FileStream::Mode::CreateNew), Error);
        EXPECT_EQ(test::ReadFile(Temp / "target.txt"), "the user's other file");
        EXPECT_FALSE(fs::exists(Temp / "target.txt.new"));
    }
    EXPECT_EQ(fs::status(Temp / "target.txt").permissions() & fs::perms::all, fs::perms::owner_read);
}

TEST_F(NoFollowTest, AFolderSwappedForALinkDuringTheDeletionLeavesWhatTheLinkLeadsToAlone) {
    const fs::path outside = Temp / "outside";
    for (int i = 0; i < 5; ++i)
        test::WriteFile(outside / ("keep" + std::to_string(i)), "outside the tree");
    const fs::path doomed = Temp / "doomed";
    for (int i = 0; i < 5; ++i)
        test::WriteFile(doomed / "sub" / ("keep" + std::to_string(i)), "inside");
    // At the first unlink inside sub, another user moves sub away and puts a
    // link to the user's other folder in its place.
    faults::RunAt(faults::Op::Delete, 1, [&] {
        fs::rename(doomed / "sub", Temp / "moved");
        fs::create_directory_symlink(outside, doomed / "sub");
    });
    std::string failed;
    DeleteTreeByHandle(doomed, failed);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(test::ReadFile(outside / ("keep" + std::to_string(i))), "outside the tree") << i;
}

TEST_F(NoFollowTest, ADeletionGoesOnPastWhatItCannotDeleteAndNamesIt) {
    const fs::path doomed = Temp / "doomed";
    test::WriteFile(doomed / "a.txt", "a");
    test::WriteFile(doomed / "sub" / "b.txt", "b");
    fs::create_directory_symlink(Temp.path(), doomed / "link-to-parent");
    faults::FailAt(faults::Op::RemoveDirectory, 1);
    std::string failed;
    EXPECT_FALSE(DeleteTreeByHandle(doomed, failed));
    EXPECT_FALSE(failed.empty());
    EXPECT_TRUE(fs::exists(Temp.path())); // the link went as itself
    faults::Clear();
    EXPECT_TRUE(DeleteTreeByHandle(doomed, failed)) << failed;
    EXPECT_FALSE(fs::exists(fs::symlink_status(doomed)));
}

} // namespace
} // namespace vk::platform

namespace vk::platform {
namespace {

TEST_F(NoFollowTest, StaleTemporariesOfTheHiddenNamesRecordAreRemovedAndNothingElse) {
    test::WriteFile(Temp / ".hidden.k3j9x0ab", "left by a killed rewrite");
    test::WriteFile(Temp / ".hidden.notmine", "a name of another shape");
    test::WriteFile(Temp / ".hidden", "kept\n");
    fs::create_directory(Temp / ".hidden.folder12");
    RemoveStaleListTemporaries(Temp.path());
    EXPECT_FALSE(fs::exists(Temp / ".hidden.k3j9x0ab"));
    EXPECT_TRUE(fs::exists(Temp / ".hidden.notmine"));
    EXPECT_TRUE(fs::exists(Temp / ".hidden"));
    EXPECT_TRUE(fs::exists(Temp / ".hidden.folder12"));
}

} // namespace
} // namespace vk::platform
