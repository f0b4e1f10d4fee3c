#include "platform/posix/FaultPoints.h"
#include "platform/win/PrivateSecurity.h"
#include "platform/win/SystemError.h"
#include "platform/win/Text.h"
#include "platform/win/WinApi.h"

#include <cerrno>

namespace vk::platform {

using detail::Quoted;
using detail::RaiseLastError;
using detail::RaiseSystemError;
using detail::Utf16;

namespace {

// An injected failure reports what a failing disk reports.
constexpr int InjectedError = EIO;

// Renames with or without replacing the target. The attributes, hidden
// included, travel with the item; the rename reaches the disk before the call
// returns.
void Rename(const fs::path& from, const fs::path& to, bool replace) {
    const std::string operation = "Cannot rename " + Quoted(from) + " to " + Quoted(to);
    if (detail::ShouldFail(faults::Op::Rename))
        RaiseSystemError(operation, InjectedError);
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    // Without the replace flag the check for a taken name and the rename are
    // one step of the file system.
    if (!::MoveFileExW(Utf16(from).c_str(), Utf16(to).c_str(), flags))
        RaiseLastError(operation);
}

} // namespace

void RenameFile(const fs::path& from, const fs::path& to) {
    Rename(from, to, true);
}

void RenameNoReplace(const fs::path& from, const fs::path& to) {
    Rename(from, to, false);
}

void CreatePrivateDirectory(const fs::path& path) {
    const std::string operation = "Cannot create folder " + Quoted(path);
    if (detail::ShouldFail(faults::Op::CreateDirectory))
        RaiseSystemError(operation, InjectedError);
    detail::PrivateSecurity security;
    if (!::CreateDirectoryW(Utf16(path).c_str(), security.Attributes()))
        RaiseLastError(operation);
}

bool ReadItemStamp(const fs::path& path, TItemStamp& stamp) {
    // The item itself: a reparse point (link or junction) is opened, not followed.
    const HANDLE handle =
        ::CreateFileW(Utf16(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO times{};
    const bool read = ::GetFileInformationByHandle(handle, &info) != 0 &&
                      ::GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times) != 0;
    ::CloseHandle(handle);
    if (!read)
        return false;
    using Kind = TItemStamp::Kind;
    const DWORD attributes = info.dwFileAttributes;
    stamp.Type = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? Kind::Link
                 : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? Kind::Folder
                                                                  : Kind::File;
    stamp.Device = info.dwVolumeSerialNumber;
    stamp.Inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    // Not read from the owner's security identifier: what the program makes
    // here carries an access list for the user alone, which is the guard.
    stamp.Owned = true;
    stamp.Size =
        stamp.Type == Kind::Folder
            ? 0
            : static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    // 100-nanosecond units since 1601; only equality matters.
    stamp.ChangeTimeNs = times.ChangeTime.QuadPart * 100;
    stamp.ModifyTimeNs = times.LastWriteTime.QuadPart * 100;
    return true;
}

void DeleteFile(const fs::path& path) {
    const std::string operation = "Cannot delete file " + Quoted(path);
    if (detail::ShouldFail(faults::Op::Delete))
        RaiseSystemError(operation, InjectedError);
    // A read-only file cannot be deleted on Windows, while the other
    // platforms delete it: the read-only bit is cleared first, and put back
    // when the delete still fails.
    const std::wstring name = Utf16(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ::SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::DeleteFileW(name.c_str())) {
        const DWORD error = ::GetLastError();
        if (attributes != INVALID_FILE_ATTRIBUTES)
            ::SetFileAttributesW(name.c_str(), attributes); // the file stays as it was
        detail::RaiseWin32Error(operation, error);
    }
}

void CreateDirectory(const fs::path& path) {
    const std::string operation = "Cannot create folder " + Quoted(path);
    if (detail::ShouldFail(faults::Op::CreateDirectory))
        RaiseSystemError(operation, InjectedError);
    if (::CreateDirectoryW(Utf16(path).c_str(), nullptr))
        return;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS && DirectoryExists(path))
        return;
    detail::RaiseWin32Error(operation, error);
}

void RemoveDirectory(const fs::path& path) {
    const std::string operation = "Cannot remove folder " + Quoted(path);
    if (detail::ShouldFail(faults::Op::RemoveDirectory))
        RaiseSystemError(operation, InjectedError);
    if (!::RemoveDirectoryW(Utf16(path).c_str()))
        RaiseLastError(operation);
}

void FlushFolder(const fs::path& folder) {
    const std::string operation = "Cannot flush folder " + Quoted(folder);
    if (detail::ShouldFail(faults::Op::Sync))
        RaiseSystemError(operation, InjectedError);
    // Win32 has no flush for a folder's entries: the renames above are
    // written through before they return, and NTFS journals the creation of
    // entries. The folder must still be there.
    if (!DirectoryExists(folder))
        RaiseSystemError(operation, ENOENT);
}

} // namespace vk::platform
