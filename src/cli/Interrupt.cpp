#include "cli/Interrupt.h"

#include "cli/InterruptSignal.h"

#include <atomic>
#include <csignal>

namespace vk::cli {

namespace {

std::atomic<bool> Requested{false};
std::atomic<InterruptMode> Mode{InterruptMode::Cancel};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<InterruptMode>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

} // namespace

void detail::OnInterrupt(int signal) {
    const bool repeated = Requested.exchange(true);
    const InterruptMode mode = Mode.load();
    if (mode == InterruptMode::Stop || (mode == InterruptMode::CancelThenStop && repeated)) {
        // End as the signal's default action would; both calls are async-signal-safe.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

void SetInterruptMode(InterruptMode mode) {
    Mode.store(mode);
    // A Ctrl-C that came while the mode was still Cancel counts too.
    if (mode == InterruptMode::Stop && Requested.load())
        std::raise(SIGINT);
}

bool InterruptRequested() {
    return Requested.load();
}

} // namespace vk::cli
