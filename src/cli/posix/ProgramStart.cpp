#include "cli/ProgramStart.h"

#include <cstdlib>

namespace vk::cli {

// POSIX passes bytes, which the core takes as they are.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::optional<std::string> EnvironmentText(const char* name) {
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

// A terminal takes the bytes as they are written.
void PrepareConsoleOutput() {}

} // namespace vk::cli
