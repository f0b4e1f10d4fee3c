#pragma once

// The one-line progress display of vklocker on standard error: percent,
// throughput and the time left, redrawn in place with a carriage return.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace vk::cli {

// "  42%   118.3 MB/s   0:07 left"; the rate and the time left read "--" until
// enough time has passed to estimate them.
std::string FormatProgress(std::int64_t done, std::int64_t total, double elapsedSeconds);

class ProgressLine {
public:
    using Clock = std::function<double()>; // seconds on a steady clock

    // Draws nothing at all when enabled is false (standard error is not a terminal).
    ProgressLine(std::FILE* out, bool enabled, Clock clock = SteadySeconds);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Redraws the line. The first call starts the clock.
    void Update(std::int64_t done, std::int64_t total);
    // Blanks the line so that the next message starts at the left margin.
    void Clear();

    static double SteadySeconds();

private:
    std::FILE* FOut;
    bool FEnabled;
    Clock FClock;
    bool FStarted = false;
    double FStart = 0;
    std::size_t FWidth = 0; // characters of the line on screen
};

} // namespace vk::cli
