#pragma once

// Runs the crash driver as a child process and reports how it ended.

#include <filesystem>
#include <string>
#include <vector>

namespace vk::test {

struct ChildOutcome {
    bool Killed = false; // ended at the step the test chose
    int ExitStatus = -1; // the command's exit status when it ran to its end
    int Steps = 0;       // guarded steps of a run that ran to its end
    std::string Output;  // standard output and standard error together
};

// Runs "vk_crash_driver exitAtStep args..." (args begin with "vklocker" or
// "import") with the given extra environment variables (NAME=value); its
// output goes through a file in outputFolder. exitAtStep 0 lets the command
// run to its end.
ChildOutcome RunDriverChild(int exitAtStep, const std::vector<std::string>& args,
                            const std::vector<std::string>& environment, const std::filesystem::path& outputFolder);

} // namespace vk::test
