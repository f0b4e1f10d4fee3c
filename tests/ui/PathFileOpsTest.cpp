// Hiding attributes and deleting items on disk.

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "support/TempFolder.h"
#include "ui/UnitMain.h"

#include <gtest/gtest.h>

namespace vk::test {
namespace {

namespace fs = std::filesystem;
using namespace platform;

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

void SetBits(const fs::path& path, std::uint32_t bits) {
    ASSERT_TRUE(SetFileAttributes(path, bits)) << path;
    ASSERT_EQ(GetFileAttributes(path) & bits, bits) << path;
}

TEST(PathFileOpsTest, DeletePathRemovesAFolderOfReadOnlyHiddenAndSystemFiles) {
    TempFolder temp;
    const fs::path tree = temp / "Private";
    WriteFile(tree / "readonly.txt", "r");
    WriteFile(tree / "hidden.txt", "h");
    WriteFile(tree / "system.txt", "s");
    WriteFile(tree / "Sub" / ".dotfile", "d");
    WriteFile(tree / "Sub" / "deep.txt", "x");
    SetBits(tree / "readonly.txt", FILE_ATTRIBUTE_READONLY);
    SetBits(tree / "hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    SetBits(tree / "system.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    SetBits(tree / "Sub" / "deep.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetBits(tree / "Sub", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetBits(tree, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    TfrmMain::DeletePath(Q(tree));
    EXPECT_FALSE(fs::exists(tree));
    // The parent's hidden list no longer names the deleted folder.
    EXPECT_FALSE(fs::exists(temp / ".hidden"));
}

TEST(PathFileOpsTest, DeletePathOnAFileAndOnNothing) {
    TempFolder temp;
    WriteFile(temp / "plan.txt", "p");
    SetBits(temp / "plan.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    TfrmMain::DeletePath(Q(temp / "plan.txt"));
    EXPECT_FALSE(fs::exists(temp / "plan.txt"));
    EXPECT_NO_THROW(TfrmMain::DeletePath(Q(temp / "plan.txt")));
    EXPECT_TRUE(TryDeletePath(Q(temp / "plan.txt")));
}

TEST(PathFileOpsTest, DeletingATreeRemovesLinksButNeverWhatTheyPointTo) {
    TempFolder temp;
    WriteFile(temp / "Outside" / "keep.txt", "keep");
    SetBits(temp / "Outside" / "keep.txt", FILE_ATTRIBUTE_READONLY);
    WriteFile(temp / "Tree" / "a.txt", "a");
    fs::create_directory_symlink(temp / "Outside", temp / "Tree" / "link-to-outside");
    fs::create_directory_symlink(temp / "Tree", temp / "Tree" / "loop");
    fs::create_symlink(temp / "Outside" / "keep.txt", temp / "Tree" / "file-link");
    fs::create_directory_symlink(temp / "Outside", temp / "top-link");

    EXPECT_TRUE(TryDeletePath(Q(temp / "Tree")));
    EXPECT_FALSE(fs::exists(temp / "Tree"));
    EXPECT_TRUE(TryDeletePath(Q(temp / "top-link")));
    EXPECT_FALSE(fs::is_symlink(temp / "top-link"));
    EXPECT_EQ(ReadFile(temp / "Outside" / "keep.txt"), "keep");
    EXPECT_TRUE(GetFileAttributes(temp / "Outside" / "keep.txt") & FILE_ATTRIBUTE_READONLY);
}

TEST(PathFileOpsTest, DeletePathRaisesWhenAFileCannotBeDeleted) {
    TempFolder temp;
    WriteFile(temp / "plan.txt", "p");
    faults::FailAt(faults::Op::Delete, 1);
    EXPECT_THROW(TfrmMain::DeletePath(Q(temp / "plan.txt")), Error);
    faults::FailAt(faults::Op::Delete, 1);
    EXPECT_FALSE(TryDeletePath(Q(temp / "plan.txt")));
    faults::Clear();
    EXPECT_TRUE(fs::exists(temp / "plan.txt"));
}

TEST(PathFileOpsTest, SetPathHiddenSetsAndClearsOnlyTheHidingBits) {
    TempFolder temp;
    const fs::path locker = temp / "plan.txt.vklocker";
    WriteFile(locker, "l");
    SetBits(locker, FILE_ATTRIBUTE_READONLY);

    TfrmMain::SetPathHidden(Q(locker), true, true);
    EXPECT_EQ(GetFileAttributes(locker), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    TfrmMain::SetPathHidden(Q(locker), false, true);
    EXPECT_EQ(GetFileAttributes(locker), FILE_ATTRIBUTE_READONLY);
    TfrmMain::SetPathHidden(Q(locker), true, false);
    EXPECT_EQ(GetFileAttributes(locker), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
}

TEST(PathFileOpsTest, SetPathHiddenOnAMissingPathNamesIt) {
    TempFolder temp;
    const fs::path missing = temp / "missing.vklocker";
    try {
        TfrmMain::SetPathHidden(Q(missing), true, true);
        FAIL() << "no error raised";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Path not found: " + missing.string());
    }
}

TEST(PathFileOpsTest, SetPathHiddenReportsAFailedWrite) {
    TempFolder temp;
    WriteFile(temp / "a", "a");
    faults::FailAt(faults::Op::SetAttributes, 1);
    EXPECT_THROW(TfrmMain::SetPathHidden(Q(temp / "a"), true, false), Error);
    faults::Clear();
    EXPECT_EQ(GetFileAttributes(temp / "a"), FILE_ATTRIBUTE_NORMAL);
}

} // namespace
} // namespace vk::test
