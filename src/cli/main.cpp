// vklocker: create, extract, verify and list lockers from the command line.

#include "cli/Commands.h"
#include "cli/Interrupt.h"

#include <cstdlib>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    vk::cli::InstallInterruptHandler();

    std::optional<std::string> environmentPassword;
    if (const char* value = std::getenv(vk::cli::PasswordVariable))
        environmentPassword = value;

    vk::cli::Console console(std::cout, std::cerr);
    console.EnvironmentPassword = std::move(environmentPassword);
    console.AskTerminal = vk::cli::AskOnTerminal;
    console.ProgressOut = stderr;
    console.ShowProgress = isatty(STDERR_FILENO) == 1;
    console.CancelRequested = vk::cli::InterruptRequested;
    console.SetInterruptMode = vk::cli::SetInterruptMode;

    std::vector<std::string> args(argv + 1, argv + argc);
    int status = vk::cli::RunVklocker(args, console);
    std::cout.flush();
    return status;
}
