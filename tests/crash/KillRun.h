#pragma once

// Runs one command (vklocker's, or an import) in a child process that is ended at each of its
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
    // The driver's arguments for the item: "vklocker" and its arguments, or
    // "import" and the locker (the password comes from the environment).
    std::function<std::vector<std::string>(const ProtectedItem& item)> Arguments;
    EndState End = EndState::Hidden;
    // The command needs the locker (an import): once a kill has left no
    // locker, there is nothing to repeat and the end state must hold as it is.
    bool RepeatNeedsLocker = false;
    // Known gaps of the transactions this run does not fail on yet; the
    // promise is still checked in them.
    enum class Gap {
        // The repeat after a kill stops with the complete item and its
        // locker both left, instead of finishing.
        BothLeft,
        // A kill after the locker's deletion leaves an empty staging folder
        // and the restore's note beside the item (the next run on the item
        // removes them; an import cannot be repeated without its locker).
        EmptyStagingLeft,
    };
    std::vector<Gap> OpenGaps;
};

// Runs the command once to its end, then once killed at each step. Every
// broken promise and every unfinished repeat is a gtest failure naming the
// step. Returns the number of steps of the complete run.
int RunWithEveryKill(const KillRun& run, const std::filesystem::path& workFolder);

// How many kills of the last RunWithEveryKill met one of its open gaps.
extern int KnownGapsMet;

} // namespace vk::test
