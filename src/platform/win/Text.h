#pragma once

// The one pair of conversions between the core's UTF-8 and the UTF-16 of the
// Win32 API, and the paths built with them.

#include <filesystem>
#include <string>

namespace vk::platform::detail {

std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);

// The path in the API's form (paths are UTF-16 inside std::filesystem on Windows).
inline const std::wstring& Utf16(const std::filesystem::path& path) {
    return path.native();
}

} // namespace vk::platform::detail
