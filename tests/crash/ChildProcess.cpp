#include "crash/ChildProcess.h"

#include "platform/uPlatform.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vk::test {

namespace {

namespace fs = std::filesystem;

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

int StepsIn(const std::string& output) {
    const std::string marker = "\nsteps: ";
    const auto at = output.rfind(marker);
    return at == std::string::npos ? -1 : std::atoi(output.c_str() + at + marker.size());
}

} // namespace

ChildOutcome RunDriverChild(int exitAtStep, const std::vector<std::string>& args,
                            const std::vector<std::string>& environment, const fs::path& outputFolder) {
    std::vector<std::string> argv{VEILKEEP_CRASH_DRIVER, std::to_string(exitAtStep)};
    argv.insert(argv.end(), args.begin(), args.end());
    // The test's own environment, with the given variables set or replaced.
    std::vector<std::string> envp = environment;
    for (char** variable = environ; *variable; ++variable) {
        const std::string inherited = *variable;
        const std::string name = inherited.substr(0, inherited.find('=') + 1);
        bool replaced = false;
        for (const auto& set : environment)
            replaced = replaced || set.starts_with(name);
        if (!replaced)
            envp.push_back(inherited);
    }
    std::vector<char*> argPointers = Pointers(argv);
    std::vector<char*> envPointers = Pointers(envp);
    const fs::path outputFile = outputFolder / "child-output.txt";

    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        // Only async-signal-safe calls between fork and exec.
        const int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0 || ::dup2(fd, STDERR_FILENO) < 0)
            ::_exit(127);
        ::execve(argPointers[0], argPointers.data(), envPointers.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");

    ChildOutcome outcome;
    outcome.Output = ReadFile(outputFile);
    if (!WIFEXITED(status))
        throw std::runtime_error("the crash driver died by a signal:\n" + outcome.Output);
    outcome.Killed = WEXITSTATUS(status) == platform::faults::ExitAtStepStatus;
    if (!outcome.Killed) {
        outcome.ExitStatus = WEXITSTATUS(status);
        outcome.Steps = StepsIn(outcome.Output);
        if (outcome.Steps < 0)
            throw std::runtime_error("the crash driver did not run:\n" + outcome.Output);
    }
    return outcome;
}

} // namespace vk::test
