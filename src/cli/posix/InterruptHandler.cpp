#include "cli/Interrupt.h"
#include "cli/InterruptSignal.h"

#include <csignal>

namespace vk::cli {

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = detail::OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: an interrupted terminal read returns EINTR
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace vk::cli
