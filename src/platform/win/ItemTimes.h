#pragma once

// Windows file times in the platform interface's form.

#include "platform/uPlatform.h"
#include "platform/win/WinApi.h"

namespace vk::platform::detail {

TModifyTime ModifyTimeFromFileTime(const FILETIME& time);

} // namespace vk::platform::detail
