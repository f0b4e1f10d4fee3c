#include "platform/posix/FaultPoints.h"

#include <array>
#include <functional>
#include <unistd.h>
#include <utility>

namespace vk::platform {

namespace {

constexpr std::size_t OpCount = static_cast<std::size_t>(faults::Op::Sync) + 1;

// Per operation: how many more calls until the failing one (0 = no fault set).
std::array<int, OpCount> CallsUntilFailure{};
// Bytes the disk still takes; negative when there is no limit.
std::int64_t WriteBudget = -1;
// Guarded steps of any kind reached so far, and the one at which the process
// ends (0 = never). A run of writes is one step.
int StepsReached = 0;
int ExitStep = 0;
bool LastStepWasWrite = false;
// The operation and its call count at which a test's action runs (0 = none).
faults::Op ActionOp = faults::Op::Write;
int CallsUntilAction = 0;
std::function<void()> Action;

} // namespace

namespace faults {

void FailAt(Op op, int nth) {
    CallsUntilFailure[static_cast<std::size_t>(op)] = nth > 0 ? nth : 0;
}

void FailWriteAfter(std::int64_t bytes) {
    WriteBudget = bytes < 0 ? 0 : bytes;
}

void ExitAtStep(int nth) {
    ExitStep = nth > 0 ? StepsReached + nth : 0;
}

void RunAt(Op op, int nth, std::function<void()> action) {
    ActionOp = op;
    CallsUntilAction = nth > 0 ? nth : 0;
    Action = std::move(action);
}

int StepsTaken() {
    return StepsReached;
}

void Clear() {
    CallsUntilFailure.fill(0);
    WriteBudget = -1;
    StepsReached = 0;
    ExitStep = 0;
    LastStepWasWrite = false;
    CallsUntilAction = 0;
    Action = nullptr;
}

} // namespace faults

namespace detail {

bool ShouldFail(faults::Op op) {
    const bool write = op == faults::Op::Write;
    if (!(write && LastStepWasWrite) && ++StepsReached == ExitStep)
        ::_exit(faults::ExitAtStepStatus); // as a kill: no buffers flushed, no destructors run
    if (op == ActionOp && CallsUntilAction > 0 && --CallsUntilAction == 0 && Action) {
        const std::function<void()> action = std::move(Action);
        Action = nullptr;
        action();
    }
    LastStepWasWrite = write;
    int& remaining = CallsUntilFailure[static_cast<std::size_t>(op)];
    if (remaining == 0)
        return false;
    return --remaining == 0;
}

std::size_t TakeWriteAllowance(std::size_t count) {
    if (WriteBudget < 0)
        return count;
    const auto allowed = static_cast<std::size_t>(WriteBudget) < count ? static_cast<std::size_t>(WriteBudget) : count;
    WriteBudget -= static_cast<std::int64_t>(allowed);
    return allowed;
}

} // namespace detail

} // namespace vk::platform
