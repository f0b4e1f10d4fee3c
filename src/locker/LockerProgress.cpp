#include "locker/LockerProgress.h"

#include "platform/Error.h"
#include "translation/translation.h"

#include <chrono>

namespace vk {

namespace {

constexpr std::int64_t ProgressStepBytes = 8388608;
constexpr std::uint64_t ProgressStepMilliseconds = 120;

std::uint64_t TickMilliseconds() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

} // namespace

void CheckCancelled(const TLockerCancelFunc& cancel) {
    if (cancel && cancel())
        throw Error(TranslateText("Operation cancelled by user."));
}

void TProgressThrottle::Reset() {
    FLastTick = 0;
    FLastDone = -1;
}

void TProgressThrottle::Report(const std::string& path, std::int64_t done, std::int64_t total) const {
    if (FProgress)
        FProgress(path, done, total);
}

void TProgressThrottle::ReportThrottled(const std::string& path, std::int64_t done, std::int64_t total) {
    if (!FProgress)
        return;
    if (done <= 0 || done >= total) {
        FProgress(path, done, total);
        FLastDone = done;
        FLastTick = TickMilliseconds();
        return;
    }
    const std::uint64_t tick = TickMilliseconds();
    const std::int64_t step = FLastDone < 0 ? ProgressStepBytes : done - FLastDone;
    if (step < ProgressStepBytes && tick - FLastTick < ProgressStepMilliseconds)
        return;
    FProgress(path, done, total);
    FLastDone = done;
    FLastTick = tick;
}

} // namespace vk
