#pragma once

// The one pair of conversions between the core's UTF-8 and the UTF-16 of the
// Win32 API, and the paths built with them.

#include <filesystem>
#include <string>
#include <string_view>

namespace vk::platform::detail {

// Raises vk::Error for bytes that are not UTF-8: a guess would name another item.
std::wstring Utf16(const std::string& utf8);
// For texts of the system and of messages: an unpaired surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view utf16);

// The path in the API's form (paths are UTF-16 inside std::filesystem on Windows).
inline const std::wstring& Utf16(const std::filesystem::path& path) {
    return path.native();
}

} // namespace vk::platform::detail
