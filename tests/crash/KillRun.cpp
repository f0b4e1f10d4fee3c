#include "crash/KillRun.h"

#include "cli/SecretInput.h"
#include "crash/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vk::test {

int KnownGapsMet = 0;

namespace {

namespace fs = std::filesystem;

// Moves every path of the item into another folder of the same layout.
ProtectedItem Relocated(const ProtectedItem& item, const fs::path& from, const fs::path& to) {
    ProtectedItem moved = item;
    moved.Item = to / fs::relative(item.Item, from);
    moved.Locker = to / fs::relative(item.Locker, from);
    return moved;
}

void FreshCopy(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

bool IsOpen(const KillRun& run, KillRun::Gap gap) {
    return std::find(run.OpenGaps.begin(), run.OpenGaps.end(), gap) != run.OpenGaps.end();
}

bool BothLeft(const ProtectedItem& item) {
    return fs::exists(fs::symlink_status(item.Locker)) && TreeDifference(item.Content, ReadItemTree(item.Item)).empty();
}

// Removes the empty staging folders beside the item (names that begin with a
// dot and the item's name); true when there was one.
bool DropEmptyStaging(const ProtectedItem& item) {
    bool dropped = false;
    const std::string prefix = "." + item.Item.filename().string() + ".";
    for (const auto& entry : fs::directory_iterator(item.Item.parent_path())) {
        const std::string name = entry.path().filename().string();
        const bool emptyFolder = fs::is_directory(entry.symlink_status()) && fs::is_empty(entry.path());
        const bool restoreNote = name.starts_with(prefix + "vkplaced-");
        if (name.starts_with(prefix) && (emptyFolder || restoreNote))
            dropped = fs::remove(entry.path()) || dropped;
    }
    return dropped;
}

} // namespace

int RunWithEveryKill(const KillRun& run, const fs::path& workFolder) {
    KnownGapsMet = 0;
    const fs::path start = workFolder / "start";
    const fs::path folder = workFolder / "run";
    const fs::path scratch = workFolder / "scratch";
    fs::create_directories(start);
    const ProtectedItem prepared = run.Prepare(start);
    const ProtectedItem item = Relocated(prepared, start, folder);
    const std::vector<std::string> args = run.Arguments(item);
    std::vector<std::string> environment{std::string(cli::PasswordVariable) + "=" + item.Password};
    if (!item.NewPassword.empty())
        environment.push_back(std::string(cli::NewPasswordVariable) + "=" + item.NewPassword);
    const auto runChild = [&](int exitAtStep) { return RunDriverChild(exitAtStep, args, environment, workFolder); };

    FreshCopy(start, folder);
    const ChildOutcome complete = runChild(0);
    EXPECT_EQ(complete.ExitStatus, 0) << complete.Output;
    EXPECT_EQ(EndStateMissed(item, run.End, scratch), "") << "after a complete run";

    for (int step = 1; step <= complete.Steps; ++step) {
        FreshCopy(start, folder);
        const ChildOutcome killed = runChild(step);
        if (!killed.Killed) {
            ADD_FAILURE() << "the run did not reach step " << step << " again:\n" << killed.Output;
            continue;
        }
        EXPECT_EQ(PromiseBroken(item, scratch), "") << "killed at step " << step;
        if (run.RepeatNeedsLocker && !fs::exists(fs::symlink_status(item.Locker))) {
            if (IsOpen(run, KillRun::Gap::EmptyStagingLeft) && DropEmptyStaging(item))
                ++KnownGapsMet;
            EXPECT_EQ(EndStateMissed(item, run.End, scratch), "") << "killed at step " << step << ", no locker left";
            continue;
        }
        const ChildOutcome repeated = runChild(0);
        if (repeated.ExitStatus != 0 && IsOpen(run, KillRun::Gap::BothLeft) && BothLeft(item)) {
            ++KnownGapsMet;
            EXPECT_EQ(PromiseBroken(item, scratch), "") << "repeated after a kill at step " << step;
            continue;
        }
        EXPECT_EQ(repeated.ExitStatus, 0) << "repeated after a kill at step " << step << ":\n" << repeated.Output;
        EXPECT_EQ(EndStateMissed(item, run.End, scratch), "") << "repeated after a kill at step " << step;
    }
    return complete.Steps;
}

} // namespace vk::test
