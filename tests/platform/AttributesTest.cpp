#include "platform/uPlatform.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/xattr.h>

namespace vk::platform {
namespace {

constexpr std::uint32_t Hidden = FILE_ATTRIBUTE_HIDDEN;
constexpr std::uint32_t System = FILE_ATTRIBUTE_SYSTEM;
constexpr std::uint32_t ReadOnly = FILE_ATTRIBUTE_READONLY;
constexpr std::uint32_t Directory = FILE_ATTRIBUTE_DIRECTORY;

class AttributesTest : public ::testing::Test {
protected:
    test::TempFolder Temp;

    bool HasHiddenList() const { return fs::exists(Temp / ".hidden"); }
    std::string HiddenList() const { return test::ReadFile(Temp / ".hidden"); }

    // Whether the temporary folder's file system keeps user extended attributes.
    bool XattrsSupported() const {
        test::WriteFile(Temp / "probe", "");
        const bool supported = ::setxattr((Temp / "probe").c_str(), "user.probe", "1", 1, 0) == 0;
        fs::remove(Temp / "probe");
        return supported;
    }
};

TEST_F(AttributesTest, PlainFileAndFolderReportNormalAndDirectory) {
    test::WriteFile(Temp / "file.txt", "x");
    fs::create_directory(Temp / "folder");
    EXPECT_EQ(GetFileAttributes(Temp / "file.txt"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributes(Temp / "folder"), Directory);
    EXPECT_EQ(GetFileAttributes(Temp / "missing"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(SetFileAttributes(Temp / "missing", Hidden));
}

TEST_F(AttributesTest, HiddenAndSystemRoundTripOnFilesAndFolders) {
    if (!XattrsSupported())
        GTEST_SKIP() << "the temporary folder keeps no extended attributes";
    test::WriteFile(Temp / "a.txt", "x");
    fs::create_directory(Temp / "b");

    ASSERT_TRUE(SetFileAttributes(Temp / "a.txt", Hidden | System));
    ASSERT_TRUE(SetFileAttributes(Temp / "b", Hidden | System | FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributes(Temp / "a.txt"), Hidden | System);
    EXPECT_EQ(GetFileAttributes(Temp / "b"), Directory | Hidden | System);
    EXPECT_EQ(HiddenList(), "a.txt\nb\n");

    ASSERT_TRUE(SetFileAttributes(Temp / "a.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributes(Temp / "a.txt"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(HiddenList(), "b\n"); // the list shrinks

    ASSERT_TRUE(SetFileAttributes(Temp / "b", 0));
    EXPECT_EQ(GetFileAttributes(Temp / "b"), Directory);
    EXPECT_FALSE(HasHiddenList()); // and disappears when empty
}

TEST_F(AttributesTest, ArchiveIsKeptAndSystemSurvivesReadOnly) {
    if (!XattrsSupported())
        GTEST_SKIP() << "the temporary folder keeps no extended attributes";
    test::WriteFile(Temp / "a", "x");
    ASSERT_TRUE(SetFileAttributes(Temp / "a", FILE_ATTRIBUTE_ARCHIVE | ReadOnly));
    EXPECT_EQ(GetFileAttributes(Temp / "a"), FILE_ATTRIBUTE_ARCHIVE | ReadOnly);
    // Changing the extended attribute of a read-only file must work as well.
    ASSERT_TRUE(SetFileAttributes(Temp / "a", System | ReadOnly));
    EXPECT_EQ(GetFileAttributes(Temp / "a"), System | ReadOnly);
}

TEST_F(AttributesTest, ReadOnlyIsKeptWhenHiddenIsCleared) {
    test::WriteFile(Temp / "doc", "x");
    fs::permissions(Temp / "doc", fs::perms::group_write | fs::perms::others_write, fs::perm_options::add);
    ASSERT_TRUE(SetFileAttributes(Temp / "doc", ReadOnly | Hidden));
    EXPECT_EQ(GetFileAttributes(Temp / "doc"), ReadOnly | Hidden);
    EXPECT_EQ(fs::status(Temp / "doc").permissions() &
                  (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write),
              fs::perms::none);

    ASSERT_TRUE(SetFileAttributes(Temp / "doc", ReadOnly));
    EXPECT_EQ(GetFileAttributes(Temp / "doc"), ReadOnly);
    EXPECT_FALSE(HasHiddenList());

    ASSERT_TRUE(SetFileAttributes(Temp / "doc", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributes(Temp / "doc"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE((fs::status(Temp / "doc").permissions() & fs::perms::owner_write) != fs::perms::none);
}

TEST_F(AttributesTest, LeadingDotHidesWithoutTheList) {
    test::WriteFile(Temp / ".secret", "x");
    EXPECT_EQ(GetFileAttributes(Temp / ".secret"), Hidden);
    ASSERT_TRUE(SetFileAttributes(Temp / ".secret", Hidden));
    EXPECT_FALSE(HasHiddenList());
    // Clearing cannot unhide a dot name; it still succeeds and leaves no list behind.
    ASSERT_TRUE(SetFileAttributes(Temp / ".secret", 0));
    EXPECT_EQ(GetFileAttributes(Temp / ".secret"), Hidden);
    EXPECT_FALSE(HasHiddenList());
}

TEST_F(AttributesTest, OtherNamesInTheListAreKept) {
    test::WriteFile(Temp / ".hidden", "someone else\r\n\nother\n");
    test::WriteFile(Temp / "mine", "x");
    EXPECT_EQ(GetFileAttributes(Temp / "mine"), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(SetFileAttributes(Temp / "mine", Hidden));
    ASSERT_TRUE(SetFileAttributes(Temp / "mine", 0));
    EXPECT_EQ(HiddenList(), "someone else\nother\n");
    test::WriteFile(Temp / "other", "x");
    EXPECT_EQ(GetFileAttributes(Temp / "other"), Hidden);
}

TEST_F(AttributesTest, HiddenTravelsWithRename) {
    test::WriteFile(Temp / "item.tmp", "x");
    test::WriteFile(Temp / "plain", "y");
    ASSERT_TRUE(SetFileAttributes(Temp / "item.tmp", Hidden));
    RenameFile(Temp / "item.tmp", Temp / "item");
    EXPECT_EQ(GetFileAttributes(Temp / "item"), Hidden);
    EXPECT_EQ(HiddenList(), "item\n");

    // A replaced hidden target takes the attributes of what replaces it.
    RenameFile(Temp / "plain", Temp / "item");
    EXPECT_EQ(GetFileAttributes(Temp / "item"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(HasHiddenList());
}

// Files made through a folder handle: the list gains the hidden names only,
// a shown name leaves it, and a folder made empty gets no list for shown files.
TEST_F(AttributesTest, FilesMadeThroughAFolderHandleKeepTheListRight) {
    test::WriteFile(Temp / ".hidden", "was hidden\n");
    const FolderHandle existing = FolderHandle::Open(Temp.path());
    const auto make = [](const FolderHandle& folder, const std::string& name, std::uint32_t attributes) {
        FileStream file = folder.CreateFile(name);
        EXPECT_TRUE(folder.SetFileAttributes(file, name, attributes)) << name;
        file.Close();
    };
    make(existing, "was hidden", FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(HasHiddenList());

    const FolderHandle created = existing.Folder("new");
    make(created, "shown", FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(fs::exists(Temp / "new" / ".hidden"));
    make(created, "secret", Hidden);
    make(created, "shown too", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test::ReadFile(Temp / "new" / ".hidden"), "secret\n");
    EXPECT_EQ(GetFileAttributes(Temp / "new" / "secret"), Hidden);
}

// Read for a whole folder at once, every item gets what it gets alone.
TEST_F(AttributesTest, FolderAttributesAgreeWithOneItemAtATime) {
    test::WriteFile(Temp / ".hidden", "listed\nlisted folder\nmissing\n");
    test::WriteFile(Temp / "listed", "x");
    test::WriteFile(Temp / "plain", "x");
    test::WriteFile(Temp / ".dotted", "x");
    test::WriteFile(Temp / "read only", "x");
    fs::permissions(Temp / "read only", fs::perms::owner_read);
    fs::create_directory(Temp / "listed folder");
    const FolderAttributes folder(Temp.path());
    for (const char* name : {"listed", "plain", ".dotted", "read only", "listed folder", "missing", ".hidden"}) {
        SCOPED_TRACE(name);
        const ItemAttributes item = folder.Get(Temp / name);
        EXPECT_EQ(item.Bits, GetFileAttributes(Temp / name));
        if (fs::is_regular_file(Temp / name))
            EXPECT_EQ(item.FileSize, fs::file_size(Temp / name));
        else
            EXPECT_FALSE(item.FileSize);
    }
    EXPECT_EQ(folder.Get(Temp / "listed folder").Bits, Directory | Hidden);
    EXPECT_EQ(FolderAttributes(Temp / "missing folder").Get(Temp / "missing folder" / "x").Bits,
              INVALID_FILE_ATTRIBUTES);
}

} // namespace
} // namespace vk::platform
