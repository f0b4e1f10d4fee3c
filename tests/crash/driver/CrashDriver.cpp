// The child process of the crash tests. It runs one command on the core and,
// when asked, ends itself at a chosen guarded file-system step, as a kill at
// that moment would.
//
//   vk_crash_driver STEP vklocker ARGUMENTS...
//   vk_crash_driver STEP import LOCKER
//   vk_crash_driver STEP change
//
// The import is the window's, without its dialogs: LOCKER's item is restored
// beside it with the secret from VKLOCKER_PASSWORD.
//
// The change is the window's password change without its dialogs, from
// VKLOCKER_PASSWORD to VKLOCKER_NEW_PASSWORD, over the settings file of
// XDG_CONFIG_HOME; a run that finds a change in progress finishes it, as the
// program's start does.
//
// STEP 0 runs the command to its end; STEP n ends the process (exit status
// faults::ExitAtStepStatus) when it reaches the nth guarded step. A run that
// ends normally prints "steps: N" as the last line of standard output, the
// number of guarded steps it took, and exits with the command's status.

#include "cli/Commands.h"
#include "platform/uPlatform.h"
#include "protect/uPasswordChange.h"
#include "protect/uProtect.h"
#include "settings/uSettings.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string EnvironmentPassword() {
    return Variable(vk::cli::PasswordVariable);
}

int RunChange() {
    // The start's password prompt: the file opens with one of the two.
    const std::string newPassword = Variable(vk::cli::NewPasswordVariable);
    vk::SettingsStore settings;
    if (!(settings.LoadSettings(newPassword) && settings.GeneralPassword == newPassword)) {
        settings = vk::SettingsStore();
        if (!(settings.LoadSettings(EnvironmentPassword()) && settings.GeneralPassword == EnvironmentPassword())) {
            std::cout << "Failed: the settings file does not open\n";
            return 1;
        }
    }
    vk::TPasswordChangeOutcome outcome;
    if (settings.PasswordChangeInProgress)
        outcome = vk::FinishPasswordChange(settings);
    else if (settings.GeneralPassword == newPassword)
        outcome.Success = true;
    else if (settings.GeneralPassword == EnvironmentPassword())
        outcome = vk::ChangeProgramPassword(settings, newPassword);
    else
        outcome.MessageText = "the settings hold neither password";
    std::cout << (outcome.Success ? "Changed" : "Failed: " + outcome.MessageText) << '\n';
    return outcome.Success ? 0 : 1;
}

int RunImport(const std::string& locker) {
    const vk::TProtectOutcome outcome = vk::ImportLocker(locker, EnvironmentPassword());
    std::cout << (outcome.Success ? "Imported: " + outcome.ItemPath : "Failed: " + outcome.MessageText) << '\n';
    return outcome.Success ? 0 : 1;
}

int RunCommand(const std::vector<std::string>& args) {
    if (args.size() == 2 && args.front() == "import")
        return RunImport(args.back());
    if (args.size() == 1 && args.front() == "change")
        return RunChange();
    if (args.empty() || args.front() != "vklocker") {
        std::cerr << "vk_crash_driver: unknown command\n";
        return 2;
    }
    vk::cli::Console console(std::cout, std::cerr);
    console.EnvironmentPassword = EnvironmentPassword();
    console.EnvironmentNewPassword = Variable(vk::cli::NewPasswordVariable);
    return vk::cli::RunVklocker(std::vector<std::string>(args.begin() + 1, args.end()), console);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: vk_crash_driver STEP vklocker ARGUMENTS... | STEP import LOCKER\n";
        return 2;
    }
    vk::platform::faults::ExitAtStep(std::atoi(argv[1]));
    const int status = RunCommand(std::vector<std::string>(argv + 2, argv + argc));
    std::cout << "\nsteps: " << vk::platform::faults::StepsTaken() << '\n';
    std::cout.flush();
    return status;
}
