#include "platform/Error.h"
#include "platform/posix/FaultPoints.h"
#include "platform/win/Handles.h"
#include "platform/win/PrivateSecurity.h"
#include "platform/win/SystemError.h"
#include "platform/win/Text.h"

#include <cerrno>

namespace vk::platform {

using detail::Quoted;
using detail::RaiseLastError;
using detail::RaiseSystemError;
using detail::Utf16;

// Win32 has no creation relative to a folder handle. The held handle does the
// same job: it is opened without delete sharing, so while it is open the
// folder cannot be renamed, removed or replaced by a link, and its path keeps
// naming this very folder. Every item is then created or opened under that
// path with reparse points opened, not followed, and refused.

namespace {

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD FolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

[[noreturn]] void RaiseLinkInTheWay(const fs::path& shown) {
    throw Error("Cannot create " + Quoted(shown) +
                ": a link is in its place, and extraction never writes through links.");
}

// What lies under path, reparse points not followed; INVALID_FILE_ATTRIBUTES when nothing does.
DWORD AttributesAt(const fs::path& path) {
    return ::GetFileAttributesW(Utf16(path).c_str());
}

// Opens the folder for holding; reparse points are opened as themselves when
// noFollow is set. INVALID_HANDLE_VALUE on failure (GetLastError tells).
HANDLE OpenFolder(const fs::path& path, bool noFollow) {
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (noFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    return ::CreateFileW(Utf16(path).c_str(), FolderAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         flags, nullptr);
}

} // namespace

FolderHandle FolderHandle::Open(const fs::path& path) {
    const std::string operation = "Cannot open folder " + Quoted(path);
    const HANDLE handle = OpenFolder(path, false);
    if (handle == INVALID_HANDLE_VALUE)
        RaiseLastError(operation);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::CloseHandle(handle);
        RaiseSystemError(operation, ENOTDIR);
    }
    return FolderHandle(detail::AdoptHandle(handle, operation), path);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : FHandle(other.FHandle), FPath(std::move(other.FPath)) {
    other.FHandle = -1;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (FHandle >= 0)
            detail::CloseDescriptor(FHandle);
        FHandle = other.FHandle;
        FPath = std::move(other.FPath);
        other.FHandle = -1;
    }
    return *this;
}

FolderHandle::~FolderHandle() {
    if (FHandle >= 0)
        detail::CloseDescriptor(FHandle);
}

FolderHandle FolderHandle::Folder(const std::string& name) const {
    const fs::path shown = FPath / PathFromUtf8(name);
    const std::string operation = "Cannot create folder " + Quoted(shown);
    if (detail::ShouldFail(faults::Op::CreateDirectory))
        RaiseSystemError(operation, EIO);
    detail::PrivateSecurity security;
    // A link under the name is never created through: CreateDirectoryW fails
    // on any existing item, and the open below refuses reparse points.
    if (!::CreateDirectoryW(Utf16(shown).c_str(), security.Attributes()) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        RaiseLastError(operation);
    const HANDLE handle = OpenFolder(shown, true);
    if (handle == INVALID_HANDLE_VALUE)
        RaiseLastError(operation);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read = ::GetFileInformationByHandle(handle, &info) != 0;
    if (!read || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::CloseHandle(handle);
        if (read && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            RaiseLinkInTheWay(shown);
        RaiseSystemError(operation, read ? EEXIST : EIO);
    }
    return FolderHandle(detail::AdoptHandle(handle, operation), shown);
}

FileStream FolderHandle::CreateFile(const std::string& name) const {
    const fs::path shown = FPath / PathFromUtf8(name);
    const std::string operation = "Cannot create file " + Quoted(shown);
    detail::PrivateSecurity security;
    // CREATE_NEW fails on any existing item, a dangling link included, so
    // nothing is ever opened through a link.
    auto create = [&] {
        return ::CreateFileW(Utf16(shown).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, security.Attributes(),
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    };
    HANDLE handle = create();
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) {
        // A plain file is replaced by a new one: its content is never written to.
        const DWORD existing = AttributesAt(shown);
        if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            RaiseLinkInTheWay(shown);
        if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0)
            RaiseSystemError(operation, EISDIR);
        if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY) != 0)
            ::SetFileAttributesW(Utf16(shown).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!::DeleteFileW(Utf16(shown).c_str()))
            RaiseLastError(operation);
        handle = create();
    }
    if (handle == INVALID_HANDLE_VALUE)
        RaiseLastError(operation);
    return FileStream(detail::AdoptHandle(handle, operation), shown);
}

bool FolderHandle::SetFileAttributes(FileStream& file, const std::string& name, std::uint32_t attributes) const {
    (void)name; // the hidden bit is the file's own on Windows
    if (detail::ShouldFail(faults::Op::SetAttributes))
        return false;
    FILE_BASIC_INFO info{}; // zero times: left as they are
    constexpr DWORD Changeable =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    info.FileAttributes = (attributes & Changeable) != 0 ? (attributes & Changeable) : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(detail::HandleOf(file.FHandle), FileBasicInfo, &info, sizeof info) != 0;
}

} // namespace vk::platform
