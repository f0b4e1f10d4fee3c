// vklocker: create, extract, verify and list lockers from the command line.

#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/ProgramStart.h"
#include "platform/uPlatform.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    // Before any secret is read: no crash dump may carry one.
    vk::platform::KeepMemoryOutOfDumps();
    vk::cli::InstallInterruptHandler();
    vk::cli::PrepareConsoleOutput();

    vk::cli::Console console(std::cout, std::cerr);
    console.EnvironmentPassword = vk::cli::EnvironmentText(vk::cli::PasswordVariable);
    console.AskTerminal = vk::cli::AskOnTerminal;
    console.ProgressOut = stderr;
    console.ShowProgress = isatty(STDERR_FILENO) == 1;
    console.CancelRequested = vk::cli::InterruptRequested;
    console.SetInterruptMode = vk::cli::SetInterruptMode;

    int status = vk::cli::RunVklocker(vk::cli::ProgramArguments(argc, argv), console);
    std::cout.flush();
    return status;
}
