#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

namespace vk::cli {

namespace {

std::atomic<bool> Requested{false};
std::atomic<InterruptMode> Mode{InterruptMode::Cancel};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<InterruptMode>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

void OnInterrupt(int signal) {
    const bool repeated = Requested.exchange(true);
    const InterruptMode mode = Mode.load();
    if (mode == InterruptMode::Stop || (mode == InterruptMode::CancelThenStop && repeated)) {
        // End as the signal's default action would; both calls are async-signal-safe.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

} // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: an interrupted terminal read returns EINTR
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
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
