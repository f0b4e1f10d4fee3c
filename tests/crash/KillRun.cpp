#include "crash/KillRun.h"

#include "cli/SecretInput.h"
#include "crash/ChildProcess.h"

#include <gtest/gtest.h>

namespace vk::test {

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

} // namespace

int RunWithEveryKill(const KillRun& run, const fs::path& workFolder) {
    const fs::path start = workFolder / "start";
    const fs::path folder = workFolder / "run";
    const fs::path scratch = workFolder / "scratch";
    fs::create_directories(start);
    const ProtectedItem prepared = run.Prepare(start);
    const ProtectedItem item = Relocated(prepared, start, folder);
    const std::vector<std::string> args = run.Arguments(item);
    const std::vector<std::string> environment{std::string(cli::PasswordVariable) + "=" + item.Password};
    const auto runChild = [&](int exitAtStep) { return RunVklockerChild(exitAtStep, args, environment, workFolder); };

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
        const ChildOutcome repeated = runChild(0);
        EXPECT_EQ(repeated.ExitStatus, 0) << "repeated after a kill at step " << step << ":\n" << repeated.Output;
        EXPECT_EQ(EndStateMissed(item, run.End, scratch), "") << "repeated after a kill at step " << step;
    }
    return complete.Steps;
}

} // namespace vk::test
