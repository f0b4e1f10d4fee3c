#pragma once

// Raising vk::Error from a failed system call: the operation, the path and the
// system's own message, e.g. `Cannot delete "/a/b": Permission denied`.

#include <filesystem>
#include <string>

namespace vk::platform::detail {

// The quoted path as it appears in messages.
std::string Quoted(const std::filesystem::path& path);

[[noreturn]] void RaiseSystemError(const std::string& operation, int error);

} // namespace vk::platform::detail
