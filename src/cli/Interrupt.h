#pragma once

// Ctrl-C handling: the signal only sets a flag, which the locker engine reads
// through its cancel callback before each entry and each chunk.

namespace vk::cli {

// Installs the SIGINT and SIGTERM handler. Blocking reads from the terminal are
// not restarted after the signal, so a password prompt is cancelled too.
void InstallInterruptHandler();

bool InterruptRequested();

// For tests: sets or clears the flag as the handler would.
void SetInterruptRequested(bool requested);

} // namespace vk::cli
