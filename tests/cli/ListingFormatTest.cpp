#include "cli/ListingFormat.h"

#include <gtest/gtest.h>

namespace vk::cli {
namespace {

TEST(ListingFormatTest, ShowsKindAttributesSizeAndPath) {
    TLockerListing listing;
    listing.RootName = "Photos";
    listing.RootIsFolder = true;
    listing.Entries = {
        {"Trip", "", true, 0x10, 0},
        {"Trip\\beach.jpg", "", false, 0x23, 1234567},
        {"notes.txt", "", false, 0x80, 0},
    };
    EXPECT_EQ(FormatListing(listing), "Root: Photos\n"
                                      "Kind: folder\n"
                                      "Entries: 3\n"
                                      "folder ---D-        0  Trip\n"
                                      "file   RH--A  1234567  Trip/beach.jpg\n"
                                      "file   -----        0  notes.txt\n");
}

TEST(ListingFormatTest, ControlCharactersInCraftedNamesCannotReachTheTerminal) {
    TLockerListing listing;
    listing.RootName = "x\x1b]0;owned\x07";
    listing.Entries = {{"a\nb\x7f", "", false, 0, 1}};
    EXPECT_EQ(FormatListing(listing), "Root: x?]0;owned?\n"
                                      "Kind: file\n"
                                      "Entries: 1\n"
                                      "file   -----     1  a?b?\n");
}

} // namespace
} // namespace vk::cli
