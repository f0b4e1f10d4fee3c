#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

namespace vk::cli {

namespace {

std::atomic<bool> Requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

void OnInterrupt(int) {
    Requested.store(true);
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

bool InterruptRequested() {
    return Requested.load();
}

void SetInterruptRequested(bool requested) {
    Requested.store(requested);
}

} // namespace vk::cli
