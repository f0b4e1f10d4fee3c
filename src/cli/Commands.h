#pragma once

// The vklocker commands on the locker engine and the hide and restore transactions. Everything that touches the
// outside world (streams, terminal, environment, Ctrl-C) comes in through
// Console, so that tests can run the commands as a shell would.

#include "cli/Interrupt.h"
#include "cli/SecretInput.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vk::cli {

enum ExitCode : int { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

struct Console {
    Console(std::ostream& out, std::ostream& err) : Out(out), Err(err) {}

    std::ostream& Out;
    std::ostream& Err;
    std::optional<std::string> EnvironmentPassword;      // VKLOCKER_PASSWORD when set
    std::optional<std::string> EnvironmentNewPassword;   // VKLOCKER_NEW_PASSWORD when set (rekey)
    TerminalAsker AskTerminal;                           // absent: there is no terminal
    std::FILE* ProgressOut = nullptr;                    // where the progress line goes
    bool ShowProgress = false;                           // only when standard error is a terminal
    std::function<bool()> CancelRequested;               // Ctrl-C
    std::function<void(InterruptMode)> SetInterruptMode; // what Ctrl-C does once the secret is read
};

// Runs vklocker with the arguments that follow the program name and returns
// the exit status.
int RunVklocker(const std::vector<std::string>& args, const Console& console);

} // namespace vk::cli
