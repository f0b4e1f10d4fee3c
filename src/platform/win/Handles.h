#pragma once

// The backend keeps its Win32 handles in the C runtime's descriptor table, so
// that the platform interface's int handles serve both backends.

#include "platform/win/WinApi.h"

namespace vk::platform::detail {

// Takes ownership of handle; raises vk::Error (operation: the system's
// message) and closes the handle when the table is full.
int AdoptHandle(HANDLE handle, const std::string& operation);
HANDLE HandleOf(int descriptor);
// Closes the descriptor and its handle; false when the close failed.
bool CloseDescriptor(int descriptor);

} // namespace vk::platform::detail
