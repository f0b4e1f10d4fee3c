#include "cli/Interrupt.h"
#include "cli/InterruptSignal.h"

#include <csignal>

namespace vk::cli {

namespace {

// The C runtime puts the default action back before it calls a handler; this
// one stays installed, so a second Ctrl-C is counted too.
void OnConsoleInterrupt(int signal) {
    std::signal(signal, OnConsoleInterrupt);
    detail::OnInterrupt(signal);
}

} // namespace

void InstallInterruptHandler() {
    std::signal(SIGINT, OnConsoleInterrupt);
    std::signal(SIGBREAK, OnConsoleInterrupt);
}

} // namespace vk::cli
