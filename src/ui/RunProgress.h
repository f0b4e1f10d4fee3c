#pragma once

// What a run's progress line says: the speed from a moving average over the
// last few seconds, the time left at that speed, and sizes and durations in
// a form a person reads at a glance.

#include <QString>
#include <cstdint>
#include <deque>

namespace vk {

class TransferRate {
public:
    // How far back the average looks.
    static constexpr std::int64_t WindowMs = 3000;

    // Forgets every sample: a new item starts.
    void Reset();
    // bytesDone of the current item at elapsedMs since the run started.
    void Sample(std::int64_t elapsedMs, std::int64_t bytesDone);
    // Bytes a second over the window; 0 until two samples span some time.
    double BytesPerSecond() const;
    // Seconds until remaining bytes are done at that speed; -1 when unknown.
    std::int64_t SecondsLeft(std::int64_t remainingBytes) const;

private:
    struct Point {
        std::int64_t Ms;
        std::int64_t Bytes;
    };
    std::deque<Point> FPoints;
};

// "512 B", "1.5 KB", "120 MB", "1.0 GB" (powers of 1024).
QString FormatBytes(std::int64_t bytes);
// "12 s", "2 min 10 s", "1 h 5 min".
QString FormatDuration(std::int64_t seconds);

} // namespace vk
