#include "platform/Error.h"
#include "platform/uPlatform.h"

#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vk::platform {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

class FileOperationsTest : public ::testing::Test {
protected:
    test::TempFolder Temp;
    void TearDown() override { faults::Clear(); }

    void WriteWhole(const fs::path& path, const std::string& text) {
        FileStream out(path, FileStream::Mode::Create);
        out.Write(text.data(), text.size());
        out.Sync();
        out.Close();
    }
};

// Runs the call and returns the message of the vk::Error it raises.
template <typename Call> std::string ErrorOf(Call call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(FullPathTest, NormalisesWithoutResolvingLinks) {
    const fs::path cwd = fs::current_path();
    const std::pair<fs::path, fs::path> cases[] = {
        {"/a/b/", "/a/b"},        {"/a/./b/../c", "/a/c"},   {"/", "/"}, {"/a/..", "/"},
        {"rel/x", cwd / "rel/x"}, {"rel/x/", cwd / "rel/x"}, {"", ""},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(FullPath(input), expected) << input;
}

TEST_F(FileOperationsTest, ExistenceTestsTellFilesFromFolders) {
    test::WriteFile(Temp / "f", "x");
    fs::create_directory(Temp / "d");
    fs::create_directory_symlink(Temp / "d", Temp / "link");
    EXPECT_TRUE(FileExists(Temp / "f"));
    EXPECT_FALSE(FileExists(Temp / "d"));
    EXPECT_TRUE(DirectoryExists(Temp / "d"));
    EXPECT_TRUE(DirectoryExists(Temp / "link"));
    EXPECT_FALSE(DirectoryExists(Temp / "f"));
    EXPECT_TRUE(PathExists(Temp / "f") && PathExists(Temp / "d"));
    EXPECT_FALSE(PathExists(Temp / "none") || FileExists(Temp / "none") || DirectoryExists(Temp / "none"));
}

TEST_F(FileOperationsTest, StreamWritesPatchesAndReadsBack) {
    {
        FileStream out(Temp / "data", FileStream::Mode::Create);
        out.Write("hello world", 11);
        out.Seek(0);
        out.Write("J", 1);
        EXPECT_EQ(out.Size(), 11);
        EXPECT_EQ(out.Position(), 1);
        out.Sync();
        out.Close();
    }
    FileStream in(Temp / "data", FileStream::Mode::Read);
    char buffer[32] = {};
    EXPECT_EQ(in.Read(buffer, 5), 5u);
    EXPECT_EQ(std::string(buffer, 5), "Jello");
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 6u);
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 0u);
}

TEST_F(FileOperationsTest, CreateTruncatesAndPrivateIsOwnerOnly) {
    test::WriteFile(Temp / "s", "old contents");
    fs::permissions(Temp / "s", fs::perms::all);
    {
        FileStream out(Temp / "s", FileStream::Mode::CreatePrivate);
        out.Write("new", 3);
    }
    EXPECT_EQ(test::ReadFile(Temp / "s"), "new");
    EXPECT_EQ(fs::status(Temp / "s").permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// A new file is made only where nothing lies: a file keeps its content, and
// a link (dangling or not) is never followed to create or write its target.
TEST_F(FileOperationsTest, CreateNewIsPrivateAndRefusesEveryExistingName) {
    {
        FileStream out(Temp / "fresh", FileStream::Mode::CreateNew);
        out.Write("new", 3);
    }
    EXPECT_EQ(fs::status(Temp / "fresh").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    test::WriteFile(Temp / "target", "target");
    fs::create_symlink(Temp / "target", Temp / "link");
    fs::create_symlink(Temp / "nowhere", Temp / "dangling");
    fs::create_directories(Temp / "folder");
    for (const char* name : {"fresh", "link", "dangling", "folder"})
        EXPECT_THAT(ErrorOf([&] { FileStream out(Temp / name, FileStream::Mode::CreateNew); }),
                    HasSubstr("Cannot create file"))
            << name;
    EXPECT_EQ(test::ReadFile(Temp / "fresh"), "new");
    EXPECT_EQ(test::ReadFile(Temp / "target"), "target");
    EXPECT_FALSE(PathExists(Temp / "nowhere"));
}

TEST_F(FileOperationsTest, FailuresNameTheOperationThePathAndTheReason) {
    const fs::path missing = Temp / "missing";
    EXPECT_EQ(ErrorOf([&] { FileStream in(missing, FileStream::Mode::Read); }),
              "Cannot open file \"" + missing.string() + "\": No such file or directory");
    EXPECT_THAT(ErrorOf([&] { FileStream in(Temp.path(), FileStream::Mode::Read); }), HasSubstr("Is a directory"));
    EXPECT_THAT(ErrorOf([&] { RenameFile(missing, Temp / "x"); }),
                AllOf(HasSubstr("Cannot rename"), HasSubstr(missing.string()), HasSubstr("No such file")));
    EXPECT_THAT(ErrorOf([&] { DeleteFile(missing); }), HasSubstr("No such file or directory"));
    fs::create_directories(Temp / "full" / "child");
    EXPECT_THAT(ErrorOf([&] { RemoveDirectory(Temp / "full"); }), HasSubstr("Directory not empty"));
    test::WriteFile(Temp / "file", "");
    EXPECT_THAT(ErrorOf([&] { CreateDirectory(Temp / "file"); }), HasSubstr("File exists"));
}

TEST_F(FileOperationsTest, FoldersAreCreatedRemovedAndFlushed) {
    CreateDirectory(Temp / "new");
    CreateDirectory(Temp / "new"); // an existing folder is fine
    EXPECT_TRUE(DirectoryExists(Temp / "new"));
    FlushFolder(Temp / "new");
    RemoveDirectory(Temp / "new");
    EXPECT_FALSE(PathExists(Temp / "new"));
}

TEST_F(FileOperationsTest, RenameReplacesAnExistingFile) {
    WriteWhole(Temp / "a", "first");
    WriteWhole(Temp / "b", "second");
    RenameFile(Temp / "a", Temp / "b");
    EXPECT_FALSE(PathExists(Temp / "a"));
    EXPECT_EQ(test::ReadFile(Temp / "b"), "first");
}

TEST_F(FileOperationsTest, TheChosenCallFailsAndOnlyThatOne) {
    for (const char* name : {"a", "b", "c"})
        test::WriteFile(Temp / name, name);
    faults::FailAt(faults::Op::Delete, 2);
    DeleteFile(Temp / "a");
    EXPECT_THAT(ErrorOf([&] { DeleteFile(Temp / "b"); }), HasSubstr("Input/output error"));
    EXPECT_TRUE(FileExists(Temp / "b"));
    DeleteFile(Temp / "b");

    faults::FailAt(faults::Op::Rename, 1);
    EXPECT_THAT(ErrorOf([&] { RenameFile(Temp / "c", Temp / "d"); }), HasSubstr("Cannot rename"));
    EXPECT_TRUE(FileExists(Temp / "c"));

    faults::FailAt(faults::Op::SetAttributes, 1);
    EXPECT_FALSE(SetFileAttributes(Temp / "c", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetFileAttributes(Temp / "c"), FILE_ATTRIBUTE_NORMAL);

    faults::FailAt(faults::Op::Sync, 1);
    EXPECT_THAT(ErrorOf([&] { FlushFolder(Temp.path()); }), HasSubstr("Cannot flush"));
    faults::FailAt(faults::Op::CreateDirectory, 1);
    EXPECT_ANY_THROW(CreateDirectory(Temp / "never"));
    EXPECT_FALSE(PathExists(Temp / "never"));
}

TEST_F(FileOperationsTest, AFullDiskTakesTheBytesThatFitAndThenRefuses) {
    FileStream out(Temp / "big", FileStream::Mode::Create);
    faults::FailWriteAfter(10);
    out.Write("123456", 6);
    EXPECT_EQ(ErrorOf([&] { out.Write("7890abcd", 8); }),
              "Cannot write file \"" + (Temp / "big").string() + "\": No space left on device");
    EXPECT_THAT(ErrorOf([&] { out.Write("z", 1); }), HasSubstr("No space left on device"));
    out.Close();
    EXPECT_EQ(test::ReadFile(Temp / "big"), "1234567890");

    faults::Clear();
    faults::FailAt(faults::Op::Write, 2);
    FileStream again(Temp / "big", FileStream::Mode::Create);
    again.Write("ok", 2);
    EXPECT_THAT(ErrorOf([&] { again.Write("no", 2); }), HasSubstr("Input/output error"));
    again.Write("!", 1);
}

} // namespace
} // namespace vk::platform
