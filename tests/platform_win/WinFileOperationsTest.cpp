#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace vk::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

TEST(WinFileOperations, NoReplaceRenameRefusesATakenNameAndKeepsBothFiles) {
    test::TempFolder temp;
    test::WriteFile(temp / "from", "from");
    test::WriteFile(temp / "to", "to");
    EXPECT_THAT(ErrorOf([&] { RenameNoReplace(temp / "from", temp / "to"); }), HasSubstr("File exists"));
    EXPECT_EQ(test::ReadFile(temp / "from"), "from");
    EXPECT_EQ(test::ReadFile(temp / "to"), "to");
    RenameFile(temp / "from", temp / "to");
    EXPECT_EQ(test::ReadFile(temp / "to"), "from");
    EXPECT_FALSE(fs::exists(temp / "from"));
}

TEST(WinFileOperations, ReadOnlyFileIsDeletedAndAMissingOneReportsWhy) {
    test::TempFolder temp;
    test::WriteFile(temp / "locked", "x");
    ASSERT_TRUE(SetFileAttributes(temp / "locked", FILE_ATTRIBUTE_READONLY));
    DeleteFile(temp / "locked");
    EXPECT_FALSE(fs::exists(temp / "locked"));
    EXPECT_THAT(ErrorOf([&] { DeleteFile(temp / "locked"); }), HasSubstr("No such file or directory"));
}

TEST(WinFileOperations, StreamWritesSyncsAndReadsBackAndReadStreamsSyncToo) {
    test::TempFolder temp;
    {
        FileStream out(temp / "f", FileStream::Mode::CreatePrivate);
        out.Write("hello", 5);
        out.Seek(1);
        out.Write("E", 1);
        EXPECT_EQ(out.Size(), 5);
        out.Sync();
        out.Close();
    }
    FileStream in(temp / "f", FileStream::Mode::Read);
    in.Sync(); // flushed through a second, writable handle
    char buffer[8] = {};
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "hEllo");
    EXPECT_EQ(in.Position(), 5);
}

TEST(WinFileOperations, PrivateFolderAndStampsOfAnItem) {
    test::TempFolder temp;
    CreatePrivateDirectory(temp / "private");
    EXPECT_TRUE(DirectoryExists(temp / "private"));
    EXPECT_THAT(ErrorOf([&] { CreatePrivateDirectory(temp / "private"); }), HasSubstr("File exists"));

    test::WriteFile(temp / "f", "abc");
    TItemStamp before;
    ASSERT_TRUE(ReadItemStamp(temp / "f", before));
    EXPECT_EQ(before.Type, TItemStamp::Kind::File);
    EXPECT_EQ(before.Size, 3);
    TItemStamp folder;
    ASSERT_TRUE(ReadItemStamp(temp / "private", folder));
    EXPECT_EQ(folder.Type, TItemStamp::Kind::Folder);
    EXPECT_NE(folder.Inode, before.Inode);
    TItemStamp missing;
    EXPECT_FALSE(ReadItemStamp(temp / "none", missing));
}

TEST(WinFileOperations, FolderHandleCreatesInsideAndReplacesAPlainFile) {
    test::TempFolder temp;
    FolderHandle root = FolderHandle::Open(temp.path());
    FolderHandle sub = root.Folder("sub");
    test::WriteFile(temp / "sub" / "f", "old content");
    FileStream file = sub.CreateFile("f");
    file.Write("new", 3);
    file.Close();
    EXPECT_EQ(test::ReadFile(temp / "sub" / "f"), "new");
    test::WriteFile(temp / "plain", "x");
    EXPECT_THAT(ErrorOf([&] { root.Folder("plain"); }), HasSubstr("Cannot create folder"));
}

TEST(WinFileOperations, FaultHooksFailTheChosenCall) {
    test::TempFolder temp;
    test::WriteFile(temp / "a", "a");
    faults::FailAt(faults::Op::Rename, 1);
    EXPECT_THAT(ErrorOf([&] { RenameFile(temp / "a", temp / "b"); }), HasSubstr("Cannot rename"));
    EXPECT_TRUE(fs::exists(temp / "a"));
    faults::FailWriteAfter(2);
    FileStream out(temp / "big", FileStream::Mode::Create);
    EXPECT_THAT(ErrorOf([&] { out.Write("xyz", 3); }), HasSubstr("No space left on device"));
    faults::Clear();
}

TEST(WinEnvironment, HostUserTempFolderAndLanguageComeFromTheSystem) {
    EXPECT_FALSE(HostName().empty());
    EXPECT_FALSE(UserName().empty());
    EXPECT_TRUE(DirectoryExists(TempFolder()));
    EXPECT_TRUE(DirectoryExists(ExecutableFolder()));
    EXPECT_NE(SystemUiLanguage() & 0xFF, 0);
}

} // namespace
} // namespace vk::platform
