#pragma once

// Ctrl-C handling. While an operation can stop cleanly, the signal only sets a
// flag, which the locker engine reads through its cancel callback before each
// entry and each chunk. Where there is nothing to clean up, it ends the
// program at once.

namespace vk::cli {

enum class InterruptMode {
    Cancel,         // set the flag (creation: the engine removes its partial locker)
    CancelThenStop, // set the flag; a second Ctrl-C ends the program (extraction)
    Stop            // end the program (verify and list write nothing)
};

// Installs the SIGINT and SIGTERM handler in Cancel mode. Blocking reads from
// the terminal are not restarted after the signal, so a password prompt is
// cancelled too and can put the terminal's echo back.
void InstallInterruptHandler();
void SetInterruptMode(InterruptMode mode);

bool InterruptRequested();

} // namespace vk::cli
