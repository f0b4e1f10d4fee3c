#include "locker/LockerSpace.h"
#include "locker/LockerTestSupport.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

namespace fs = std::filesystem;

TEST(LockerSpace, SizesForPeople) {
    EXPECT_EQ(SizeText(812), "812 bytes");
    EXPECT_EQ(SizeText(3 * 1024 + 512), "3.5 KiB");
    EXPECT_EQ(SizeText(3565158), "3.4 MiB");
    EXPECT_EQ(SizeText(1342177280), "1.25 GiB");
}

#ifndef _WIN32
// A sparse file larger than the disk's free space: the creation and the
// extraction refuse it at once, naming what they need, and write nothing.
TEST(LockerSpace, WhatCannotFitFailsBeforeAnyWork) {
    test::TempFolder temp;
    const std::optional<std::uint64_t> free = platform::FreeSpace(temp.path());
    ASSERT_TRUE(free);
    const std::uint64_t tooLarge = *free + (std::uint64_t{1} << 30);
    const std::string start = "Not enough free space on the disk: ";

    fs::create_directories(temp / "in");
    test::WriteFile(temp / "in" / "huge.bin", "");
    fs::resize_file(temp / "in" / "huge.bin", tooLarge);
    const fs::path locker = temp / "huge.vklocker";
    const TLockerResult created = CreateLocker((temp / "in" / "huge.bin").string(), locker.string(), "pw");
    EXPECT_FALSE(created.Success);
    EXPECT_EQ(created.MessageText.rfind(start, 0), 0u) << created.MessageText;
    EXPECT_NE(created.MessageText.find(SizeText(tooLarge + 173 + 9 + 8 + 17 + 8 + 76)), std::string::npos)
        << created.MessageText;
    EXPECT_FALSE(fs::exists(locker));

    // A locker whose payload is as large: the header is all that is read.
    test::WriteFile(temp / "small.txt", "x");
    test::CreateOk(temp / "small.txt", locker, "pw");
    std::string length(8, '\0');
    for (std::size_t i = 0; i < 8; ++i)
        length[i] = static_cast<char>(tooLarge >> (8 * i));
    test::Patch(locker, 165, length);
    fs::resize_file(locker, 173 + tooLarge);
    const TLockerResult extracted = ExtractLocker(locker.string(), (temp / "out").string(), "pw");
    EXPECT_FALSE(extracted.Success);
    EXPECT_EQ(extracted.MessageText.rfind(start, 0), 0u) << extracted.MessageText;
    EXPECT_NE(extracted.MessageText.find(SizeText(tooLarge)), std::string::npos) << extracted.MessageText;
    EXPECT_TRUE(test::TreeOf(temp / "out").empty());
}
#endif

} // namespace
} // namespace vk
