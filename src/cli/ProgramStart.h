#pragma once

// What vklocker is given when it starts, as the core's UTF-8 text, and the
// console it writes to. Each system passes these in its own form (bytes on
// POSIX, UTF-16 on Windows); they are converted once, here.

#include <optional>
#include <string>
#include <vector>

namespace vk::cli {

// The arguments after the program name.
std::vector<std::string> ProgramArguments(int argc, char** argv);
// The value of an environment variable; nothing when it is unset.
std::optional<std::string> EnvironmentText(const char* name);
// Lets the console show the UTF-8 text the program writes (Windows consoles
// otherwise read it in their own code page); the console is left as it was
// when the program ends.
void PrepareConsoleOutput();

} // namespace vk::cli
