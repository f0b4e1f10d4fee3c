#include "update/rules/VersionRules.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

const std::string OptionalHeadline = "The new version %s is available";
const std::string ForcedHeadline = "This version of the software is out of date. You must download the current "
                                   "version %s to continue using the software.";

std::string Message(const std::string& headline, const std::string& version, const std::string& changes) {
    std::string text = headline;
    text.replace(text.find("%s"), 2, version);
    return text + "\r\n\r\nWhat's new:\r\n" + changes;
}

struct Case {
    const char* name;
    std::string versionDocument;
    bool offered;
    bool forced;
    std::string shownVersion;
};

// Test names show the case's name, not its bytes.
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class DecideUpdateTable : public ::testing::TestWithParam<Case> {};

TEST_P(DecideUpdateTable, OffersOnlyWhatIsNewerAndForcesOnlyBelowTheMinimum) {
    const Case& c = GetParam();
    const auto offer = DecideUpdate(c.versionDocument, "Faster hiding\n");
    ASSERT_EQ(offer.has_value(), c.offered);
    if (!c.offered)
        return;
    EXPECT_EQ(offer->ForceExit, c.forced);
    EXPECT_EQ(offer->UpdateMessage,
              Message(c.forced ? ForcedHeadline : OptionalHeadline, c.shownVersion, "Faster hiding\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    VersionLines, DecideUpdateTable,
    ::testing::Values(
        Case{"same_version", "24/20", false, false, ""}, Case{"newer_optional", "25/20", true, false, "2.5"},
        Case{"newer_and_required", "25/25", true, true, "2.5"},
        Case{"required_with_older_latest", "20/25", true, true, "2.0"},
        Case{"newer_minimum_is_running", "30/24", true, false, "3.0"},
        Case{"latest_is_running_minimum_above", "24/25", true, true, "2.4"},
        Case{"three_digit_latest", "103/20", true, false, "10.3"},
        Case{"latest_written_with_leading_zero", "025/20", true, false, "02.5"},
        Case{"later_lines_ignored", "25/20\r\n99/99\r\n", true, false, "2.5"},
        Case{"byte_order_mark_skipped",
             "\xEF\xBB\xBF"
             "25/20",
             true, false, "2.5"},
        Case{"no_slash", "25", false, false, ""}, Case{"trailing_space", "25/20 ", false, false, ""},
        Case{"leading_space", " 25/20", false, false, ""}, Case{"dotted_numbers", "2.5/2.0", false, false, ""},
        Case{"signed_minimum", "25/+20", false, false, ""}, Case{"negative_minimum", "25/-1", false, false, ""},
        Case{"empty_latest", "/20", false, false, ""}, Case{"empty_minimum", "25/", false, false, ""},
        Case{"second_slash", "25/20/1", false, false, ""}, Case{"number_too_large", "99999999999/20", false, false, ""},
        Case{"markup_not_read", "<p>25/20</p>", false, false, ""}, Case{"empty_document", "", false, false, ""},
        Case{"empty_first_line", "\r\n25/20", false, false, ""}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(DecideUpdate, KeepsChangeLinesInOrderAndDropsOnlyEmptyOnes) {
    const auto offer = DecideUpdate("25/20\n", "First\r\n\r\nSecond\n\n  \nThird\rFourth\r\n\r\n");
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->UpdateMessage, Message(OptionalHeadline, "2.5", "First\r\nSecond\r\n  \r\nThird\r\nFourth\r\n"));
}

TEST(DecideUpdate, EmptyChangesDocumentEndsWithWhatsNew) {
    const auto offer = DecideUpdate("25/20", "");
    ASSERT_TRUE(offer);
    EXPECT_TRUE(offer->UpdateMessage.ends_with("What's new:\r\n"));
}

TEST(SplitTextLines, RecognisesEveryLineEnd) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(SplitTextLines(""), Lines{});
    EXPECT_EQ(SplitTextLines("\xEF\xBB\xBF"), Lines{});
    EXPECT_EQ(SplitTextLines("a"), Lines{"a"});
    EXPECT_EQ(SplitTextLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(SplitTextLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitTextLines("a\r\rb\n\r"), (Lines{"a", "", "b", ""}));
}

} // namespace
} // namespace vk
