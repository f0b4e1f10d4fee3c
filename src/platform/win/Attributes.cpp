#include "platform/posix/FaultPoints.h"
#include "platform/win/ItemTimes.h"
#include "platform/win/Text.h"
#include "platform/win/WinApi.h"

namespace vk::platform {

namespace {

// The bits a caller may change; the others (folder, reparse point, ...) stay.
constexpr DWORD ChangeableBits =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

} // namespace

std::uint32_t GetFileAttributes(const fs::path& path) {
    const fs::path fullPath = FullPath(path);
    if (fullPath.empty())
        return INVALID_FILE_ATTRIBUTES;
    return ::GetFileAttributesW(detail::Utf16(fullPath).c_str());
}

// Windows keeps every bit on the item itself: there is no folder-wide record
// to read once.
FolderAttributes::FolderAttributes(const fs::path& folder) : FFolder(FullPath(folder)) {}

ItemAttributes FolderAttributes::Get(const fs::path& item) const {
    const fs::path fullPath = FFolder / item.filename();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (fullPath.empty() || !::GetFileAttributesExW(detail::Utf16(fullPath).c_str(), GetFileExInfoStandard, &data))
        return {};
    ItemAttributes attributes{data.dwFileAttributes, std::nullopt, detail::ModifyTimeFromFileTime(data.ftLastWriteTime),
                              std::nullopt};
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return attributes;
    // A link's own record has no size: its target's is the one stored.
    std::error_code error;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        attributes.FileSize = fs::file_size(fullPath, error);
    else
        attributes.FileSize = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (error)
        attributes.FileSize.reset();
    return attributes;
}

bool SetFileAttributes(const fs::path& path, std::uint32_t attributes) {
    const fs::path fullPath = FullPath(path);
    if (fullPath.empty())
        return false;
    const DWORD current = ::GetFileAttributesW(detail::Utf16(fullPath).c_str());
    if (current == INVALID_FILE_ATTRIBUTES)
        return false;
    if (detail::ShouldFail(faults::Op::SetAttributes))
        return false;
    DWORD wanted = (current & ~ChangeableBits) | (attributes & ChangeableBits);
    // Only these bits are settable; "none" is spelled NORMAL.
    wanted &= ChangeableBits | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;
    if (wanted == 0)
        wanted = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesW(detail::Utf16(fullPath).c_str(), wanted) != 0;
}

} // namespace vk::platform
