#pragma once

// Progress reports and cancel checks of the locker operations.

#include "locker/uLocker.h"

#include <cstdint>
#include <string>

namespace vk {

// Raises "Operation cancelled by user." when cancel is present and says so.
void CheckCancelled(const TLockerCancelFunc& cancel);

// Reports progress at the fixed points (start, end of every file) and, in
// between, at most once per 8 MiB of payload or 120 ms.
class TProgressThrottle {
public:
    explicit TProgressThrottle(const TLockerProgressProc& progress) : FProgress(progress) {}

    // Starts a new series: the next throttled call reports.
    void Reset();
    // Always reports (when a callback is present).
    void Report(const std::string& path, std::int64_t done, std::int64_t total) const;
    // Reports when 8 MiB of payload or 120 ms have passed since the last
    // throttled report, and always at done <= 0 or done >= total.
    void ReportThrottled(const std::string& path, std::int64_t done, std::int64_t total);

private:
    const TLockerProgressProc& FProgress;
    std::uint64_t FLastTick = 0;
    std::int64_t FLastDone = -1;
};

} // namespace vk
