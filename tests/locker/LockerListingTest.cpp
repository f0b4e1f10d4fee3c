#include "locker/LockerListing.h"
#include "locker/LockerTestSupport.h"

#include "platform/Error.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

namespace vk {
namespace {

namespace fs = std::filesystem;

using EntryShape = std::tuple<std::string, bool, std::int64_t>;

std::set<EntryShape> Shapes(const std::vector<TEntryInfo>& entries) {
    std::set<EntryShape> shapes;
    for (const auto& e : entries)
        shapes.emplace(e.RelativePath, e.IsDir, e.Size);
    return shapes;
}

std::string ListingError(const std::string& locker, const std::string& secret) {
    try {
        ListLocker(locker, secret);
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

// Content sizes that leave the keystream at every kind of offset, one of them
// beyond the 4 MiB buffer, so that a wrong skip garbles the entries after it.
TEST(LockerListingTest, ListsEveryEntryAfterSkippingContentsOfAnySize) {
    test::TempFolder temp;
    const fs::path root = temp / "Tree";
    test::WriteFile(root / "one.bin", "x");
    test::WriteFile(root / "seventeen.bin", std::string(17, 's'));
    test::WriteFile(root / "Deep" / "big.bin", std::string(4 * 1024 * 1024 + 3, 'b'));
    test::WriteFile(root / "Deep" / "empty.bin", "");
    test::WriteFile(root / "Deep" / "After" / "last.txt", "last");
    fs::permissions(root / "one.bin", fs::perms::owner_write, fs::perm_options::remove);

    const std::string locker = (temp / "Tree.vklocker").string();
    TLockerResult created = CreateLocker(root.string(), locker, "pw");
    ASSERT_TRUE(created.Success) << created.MessageText;
    const auto sizeBefore = fs::file_size(locker);

    TLockerListing listing = ListLocker(locker, "pw");
    EXPECT_EQ(listing.RootName, "Tree");
    EXPECT_TRUE(listing.RootIsFolder);
    EXPECT_FALSE(listing.OpenedWithRecoveryCode);
    EXPECT_EQ(Shapes(listing.Entries), (std::set<EntryShape>{{"one.bin", false, 1},
                                                             {"seventeen.bin", false, 17},
                                                             {"Deep", true, 0},
                                                             {"Deep\\big.bin", false, 4 * 1024 * 1024 + 3},
                                                             {"Deep\\empty.bin", false, 0},
                                                             {"Deep\\After", true, 0},
                                                             {"Deep\\After\\last.txt", false, 4}}));
    for (const auto& entry : listing.Entries) {
        if (entry.RelativePath == "one.bin") {
            EXPECT_EQ(entry.Attr & 0x1, 0x1); // read-only
        }
        if (entry.IsDir) {
            EXPECT_EQ(entry.Attr & 0x10, 0x10);
        }
    }

    TLockerListing byCode = ListLocker(locker, created.RecoveryCode);
    EXPECT_TRUE(byCode.OpenedWithRecoveryCode);
    EXPECT_EQ(Shapes(byCode.Entries), Shapes(listing.Entries));

    EXPECT_EQ(fs::file_size(locker), sizeBefore); // listing writes nothing
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 3); // home, Tree, locker
}

TEST(LockerListingTest, OneFileLocker) {
    test::TempFolder temp;
    test::WriteFile(temp / "note.txt", "hello");
    const std::string locker = (temp / "note.txt.vklocker").string();
    ASSERT_TRUE(CreateLocker((temp / "note.txt").string(), locker, "pw").Success);

    TLockerListing listing = ListLocker(locker, "pw");
    EXPECT_EQ(listing.RootName, "note.txt");
    EXPECT_FALSE(listing.RootIsFolder);
    EXPECT_EQ(Shapes(listing.Entries), (std::set<EntryShape>{{"note.txt", false, 5}}));
}

TEST(LockerListingTest, RefusesWhatExtractionRefuses) {
    test::TempFolder temp;
    test::WriteFile(temp / "note.txt", "hello");
    const std::string locker = (temp / "note.vklocker").string();
    ASSERT_TRUE(CreateLocker((temp / "note.txt").string(), locker, "pw").Success);

    EXPECT_EQ(ListingError(locker, "wrong"), "Invalid password or recovery code.");
    EXPECT_EQ(ListingError((temp / "missing.vklocker").string(), "pw"), "Locker file does not exist.");

    fs::resize_file(locker, static_cast<std::uintmax_t>(test::PayloadEnd(locker) - 1));
    EXPECT_EQ(ListingError(locker, "pw"), "Stream read error");
}

} // namespace
} // namespace vk
