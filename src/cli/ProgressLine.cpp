#include "cli/ProgressLine.h"

#include <algorithm>
#include <cmath>

namespace vk::cli {

namespace {

// Below this the rate jumps about too much to be worth showing.
constexpr double MinimumSecondsForRate = 0.5;

std::string FormatDuration(double seconds) {
    auto total = static_cast<std::int64_t>(std::ceil(seconds));
    std::int64_t hours = total / 3600;
    std::int64_t minutes = total / 60 % 60;
    std::int64_t secs = total % 60;
    char text[32];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(hours),
                      static_cast<long long>(minutes), static_cast<long long>(secs));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(minutes), static_cast<long long>(secs));
    return text;
}

} // namespace

std::string FormatProgress(std::int64_t done, std::int64_t total, double elapsedSeconds) {
    done = std::max<std::int64_t>(done, 0);
    int percent = 100;
    if (total > 0)
        percent = static_cast<int>(std::min<std::int64_t>(done, total) * 100 / total);

    char text[96];
    if (elapsedSeconds < MinimumSecondsForRate || done == 0) {
        std::snprintf(text, sizeof text, "%4d%%   -- MB/s   -- left", percent);
        return text;
    }
    double bytesPerSecond = static_cast<double>(done) / elapsedSeconds;
    double secondsLeft = static_cast<double>(std::max<std::int64_t>(total - done, 0)) / bytesPerSecond;
    std::snprintf(text, sizeof text, "%4d%%   %.1f MB/s   %s left", percent, bytesPerSecond / 1e6,
                  FormatDuration(secondsLeft).c_str());
    return text;
}

ProgressLine::ProgressLine(std::FILE* out, bool enabled, Clock clock)
    : FOut(out), FEnabled(enabled), FClock(std::move(clock)) {}

ProgressLine::~ProgressLine() {
    Clear();
}

double ProgressLine::SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void ProgressLine::Update(std::int64_t done, std::int64_t total) {
    if (!FEnabled)
        return;
    double now = FClock();
    if (!FStarted) {
        FStarted = true;
        FStart = now;
    }
    std::string line = FormatProgress(done, total, now - FStart);
    // Pad over the remains of a longer previous line.
    std::size_t width = line.size();
    if (line.size() < FWidth)
        line.append(FWidth - line.size(), ' ');
    FWidth = width;
    std::fprintf(FOut, "\r%s", line.c_str());
    std::fflush(FOut);
}

void ProgressLine::Clear() {
    if (!FEnabled || FWidth == 0)
        return;
    std::fprintf(FOut, "\r%s\r", std::string(FWidth, ' ').c_str());
    std::fflush(FOut);
    FWidth = 0;
}

} // namespace vk::cli
