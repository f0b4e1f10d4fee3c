#include "platform/win/Text.h"
#include "platform/win/WinApi.h"

namespace vk::platform {

namespace {

// The item's attributes, links followed as the other platforms' stat() does;
// INVALID_FILE_ATTRIBUTES when it is missing or unreachable.
DWORD AttributesOf(const fs::path& path) {
    if (path.empty())
        return INVALID_FILE_ATTRIBUTES;
    const HANDLE handle = ::CreateFileW(detail::Utf16(path).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return INVALID_FILE_ATTRIBUTES;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read = ::GetFileInformationByHandle(handle, &info) != 0;
    ::CloseHandle(handle);
    return read ? info.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool FileExists(const fs::path& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const fs::path& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(const fs::path& path) {
    return AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

std::string NameAsCompared(const std::string& name) {
    const std::wstring wide = detail::Utf16(name);
    if (wide.empty())
        return {};
    // Upper case of the invariant locale, as the file system folds names.
    const int size = static_cast<int>(wide.size());
    std::wstring upper(wide.size(), L'\0');
    const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), size, upper.data(), size,
                                       nullptr, nullptr, 0);
    upper.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return detail::Utf8(upper.empty() ? wide : upper);
}

PathLimits SystemPathLimits() {
    // A name as NTFS takes it and a whole path as the Win32 calls take it
    // without the long-path prefix (counted in bytes of UTF-8, which is never
    // fewer than the UTF-16 units). The depth bound matches the other platforms.
    return {255, MAX_PATH - 1, 256};
}

} // namespace vk::platform
