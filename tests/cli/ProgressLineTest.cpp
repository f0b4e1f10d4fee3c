#include "cli/ProgressLine.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vk::cli {
namespace {

TEST(ProgressLineTest, FormatsPercentRateAndTimeLeft) {
    const struct {
        std::int64_t Done, Total;
        double Elapsed;
        std::string Expected;
    } cases[] = {
        {0, 100, 0.0, "   0%   -- MB/s   -- left"},
        {50'000'000, 100'000'000, 0.2, "  50%   -- MB/s   -- left"}, // too early for a rate
        {50'000'000, 100'000'000, 1.0, "  50%   50.0 MB/s   0:01 left"},
        {10'000'000, 1'000'000'000, 2.0, "   1%   5.0 MB/s   3:18 left"},
        {1'000'000, 10'000'000'000, 1.0, "   0%   1.0 MB/s   2:46:39 left"},
        {100, 100, 3.0, " 100%   0.0 MB/s   0:00 left"},
        {9, 0, 1.0, " 100%   0.0 MB/s   0:00 left"}, // no division by a zero total
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatProgress(c.Done, c.Total, c.Elapsed), c.Expected) << c.Done << "/" << c.Total;
}

std::string Captured(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text.push_back(static_cast<char>(c));
    return text;
}

TEST(ProgressLineTest, RedrawsInPlaceAndClearsBehindItself) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    double now = 10.0;
    {
        ProgressLine line(file, true, [&now] { return now; });
        line.Update(0, 100'000'000); // starts the clock
        now = 11.0;
        line.Update(50'000'000, 100'000'000);
        line.Clear();
    }
    std::string text = Captured(file);
    EXPECT_EQ(text.find("\r   0%"), 0u);
    EXPECT_NE(text.find("\r  50%   50.0 MB/s   0:01 left"), std::string::npos);
    EXPECT_EQ(text.back(), '\r'); // the cursor is back at the margin for the next message
    std::fclose(file);
}

TEST(ProgressLineTest, DisabledLineWritesNothing) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        ProgressLine line(file, false);
        line.Update(1, 2);
        line.Clear();
    }
    EXPECT_EQ(Captured(file), "");
    std::fclose(file);
}

} // namespace
} // namespace vk::cli
