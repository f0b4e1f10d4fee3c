#pragma once

// The backend's side of the test hooks declared in uPlatform.h: each guarded
// operation asks here whether this call is the one that must fail.

#include "platform/uPlatform.h"

#include <cstddef>

namespace vk::platform::detail {

// True when this call of op is the one a test asked to fail. Every call is
// one guarded step: the process ends here when a crash test asked for it.
bool ShouldFail(faults::Op op);

// How many of count bytes the disk still takes before it is "full";
// count itself when no limit is set. Consumes that many bytes of the budget.
std::size_t TakeWriteAllowance(std::size_t count);

} // namespace vk::platform::detail
