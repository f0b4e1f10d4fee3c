#pragma once

// Raising vk::Error from a failed Win32 call: the operation, the path and the
// system's message, e.g. `Cannot delete "C:\a\b": Permission denied`. The
// common failures read as they do on the other platforms.

#include <cstdint>
#include <filesystem>
#include <string>

namespace vk::platform::detail {

// The quoted path as it appears in messages (UTF-8).
std::string Quoted(const std::filesystem::path& path);

// error: a C library error number (EIO, ENOSPC, ...), for injected faults.
[[noreturn]] void RaiseSystemError(const std::string& operation, int error);
// error: a Win32 error code (GetLastError()).
[[noreturn]] void RaiseWin32Error(const std::string& operation, std::uint32_t error);
// The same with GetLastError() of the failed call.
[[noreturn]] void RaiseLastError(const std::string& operation);

} // namespace vk::platform::detail
