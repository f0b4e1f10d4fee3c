#pragma once

// The handler behind InstallInterruptHandler, which each platform installs in
// its own way (cli/posix/, cli/win/).

namespace vk::cli::detail {

// Sets the flag, or ends the program as the signal's default action would.
void OnInterrupt(int signal);

} // namespace vk::cli::detail
