#include "crash/RunProgram.h"

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vk::test {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

std::vector<std::string> InheritedEnvironment() {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable)
        variables.emplace_back(*variable);
    return variables;
}

bool VariableNamesIgnoreCase() {
    return false;
}

std::optional<int> RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                              const std::filesystem::path& outputFile) {
    std::vector<std::string> args = argv;
    std::vector<std::string> variables = environment;
    std::vector<char*> argPointers = Pointers(args);
    std::vector<char*> envPointers = Pointers(variables);

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
    if (!WIFEXITED(status))
        return std::nullopt;
    return WEXITSTATUS(status);
}

} // namespace vk::test
