// The progress line's figures: a moving average that follows a change of
// speed, the time left at that speed, and sizes and durations as people read
// them.

#include "ui/RunProgress.h"

#include <gtest/gtest.h>

namespace vk::test {
namespace {

TEST(RunProgressTest, TheSpeedIsAMovingAverageThatFollowsAChange) {
    TransferRate rate;
    EXPECT_EQ(rate.BytesPerSecond(), 0.0);
    EXPECT_EQ(rate.SecondsLeft(100), -1);
    // 10 MB/s for ten seconds, then 1 MB/s: within the window the old speed
    // is forgotten.
    std::int64_t bytes = 0;
    for (std::int64_t ms = 0; ms <= 10000; ms += 100, bytes += 1000000)
        rate.Sample(ms, bytes);
    EXPECT_NEAR(rate.BytesPerSecond(), 10e6, 1e5);
    EXPECT_EQ(rate.SecondsLeft(50000000), 5);
    for (std::int64_t ms = 10100; ms <= 20000; ms += 100) {
        bytes += 100000;
        rate.Sample(ms, bytes);
    }
    EXPECT_NEAR(rate.BytesPerSecond(), 1e6, 1e5);
    EXPECT_EQ(rate.SecondsLeft(0), 0);
    rate.Reset();
    EXPECT_EQ(rate.BytesPerSecond(), 0.0);
}

TEST(RunProgressTest, SizesAndDurationsReadAtAGlance) {
    const std::pair<std::int64_t, const char*> sizes[] = {
        {0, "0 B"}, {1023, "1023 B"}, {1536, "1.5 KB"}, {120 << 20, "120 MB"}, {std::int64_t(1) << 30, "1.0 GB"},
    };
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(FormatBytes(bytes).toStdString(), text);
    const std::pair<std::int64_t, const char*> durations[] = {
        {0, "0 s"}, {12, "12 s"}, {130, "2 min 10 s"}, {3900, "1 h 5 min"}, {-3, "0 s"},
    };
    for (const auto& [seconds, text] : durations)
        EXPECT_EQ(FormatDuration(seconds).toStdString(), text);
}

} // namespace
} // namespace vk::test
