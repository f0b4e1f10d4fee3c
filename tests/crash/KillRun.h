#pragma once

// Runs one vklocker command in a child process that is ended at each of its
// guarded file-system steps in turn, each time on a fresh copy of the same
// starting folder, and checks the promise after every kill and that
// repeating the command then finishes the job.

#include "crash/Promise.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vk::test {

struct KillRun {
    // Prepares the starting state in the given (empty) folder and returns the
    // item as it must come out; it runs once, and every kill starts from a
    // copy of that folder.
    std::function<ProtectedItem(const std::filesystem::path& folder)> Prepare;
    // The command's arguments for the item (the password comes from the
    // environment).
    std::function<std::vector<std::string>(const ProtectedItem& item)> Arguments;
    EndState End = EndState::Hidden;
};

// Runs the command once to its end, then once killed at each step. Every
// broken promise and every unfinished repeat is a gtest failure naming the
// step. Returns the number of steps of the complete run.
int RunWithEveryKill(const KillRun& run, const std::filesystem::path& workFolder);

} // namespace vk::test
