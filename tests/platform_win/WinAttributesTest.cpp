#include "platform/win/WinApi.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

// The attribute bits are the file system's own on Windows: what the platform
// layer sets, the Win32 API reads back, and the other way round.

namespace vk::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t Changeable = 0x1 | 0x2 | 0x4 | 0x20; // read-only, hidden, system, archive
// Wine reports every file as archived; archive is only checked where it is set.
constexpr std::uint32_t Checked = Changeable & ~0x20u;

struct AttributeCase {
    const char* Name;
    std::uint32_t Bits;
};

class WinAttributes : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(WinAttributes, SetBitsReadBackThroughTheSystemAndThePlatformLayer) {
    test::TempFolder temp;
    const fs::path file = temp / "item.txt";
    test::WriteFile(file, "x");
    const fs::path folder = temp / "folder";
    fs::create_directory(folder);
    for (const fs::path& item : {file, folder}) {
        SCOPED_TRACE(item.string());
        // Read-only and archive mean nothing for a folder, and Wine keeps
        // neither there; hidden and system it does.
        const std::uint32_t wanted = item == folder ? GetParam().Bits & (0x2u | 0x4u) : GetParam().Bits;
        ASSERT_TRUE(SetFileAttributes(item, GetParam().Bits));
        const DWORD system = ::GetFileAttributesW(item.c_str());
        EXPECT_EQ(system & Checked, wanted & Checked);
        EXPECT_EQ(system & wanted, wanted);
        EXPECT_EQ(GetFileAttributes(item), system);
        EXPECT_EQ((GetFileAttributes(item) & 0x10) != 0, item == folder);
        ASSERT_TRUE(SetFileAttributes(item, 0)); // read-only never stays in the way of the clean-up
        EXPECT_EQ(::GetFileAttributesW(item.c_str()) & Checked, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Bits, WinAttributes,
                         ::testing::Values(AttributeCase{"Hidden", 0x2}, AttributeCase{"System", 0x4},
                                           AttributeCase{"HiddenSystem", 0x2 | 0x4},
                                           AttributeCase{"ReadOnlyArchive", 0x1 | 0x20},
                                           AttributeCase{"All", Changeable}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(WinAttributes, MissingItemHasNoAttributesAndCannotGetThem) {
    test::TempFolder temp;
    EXPECT_EQ(GetFileAttributes(temp / "none"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(SetFileAttributes(temp / "none", 0x2));
}

TEST(WinAttributes, FolderHandleSetsTheBitsOnTheFileItCreated) {
    test::TempFolder temp;
    FolderHandle folder = FolderHandle::Open(temp.path());
    FileStream file = folder.CreateFile("made.txt");
    file.Write("abc", 3);
    ASSERT_TRUE(folder.SetFileAttributes(file, "made.txt", 0x2 | 0x4 | 0x20));
    file.Close();
    EXPECT_EQ(::GetFileAttributesW((temp / "made.txt").c_str()) & Changeable, 0x2u | 0x4u | 0x20u);
    // Read-only goes on last: the bits could still be changed until then.
    FileStream locked = folder.CreateFile("locked.txt");
    ASSERT_TRUE(folder.SetFileAttributes(locked, "locked.txt", 0x1 | 0x2));
    locked.Close();
    EXPECT_EQ(::GetFileAttributesW((temp / "locked.txt").c_str()) & Checked, 0x1u | 0x2u);
}

TEST(WinAttributes, HiddenTravelsWithARename) {
    test::TempFolder temp;
    test::WriteFile(temp / "a", "a");
    ASSERT_TRUE(SetFileAttributes(temp / "a", 0x2 | 0x4));
    RenameNoReplace(temp / "a", temp / "b");
    EXPECT_EQ(GetFileAttributes(temp / "b") & Checked, 0x2u | 0x4u);
}

} // namespace
} // namespace vk::platform
