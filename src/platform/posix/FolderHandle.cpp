#include "platform/Error.h"
#include "platform/posix/FaultPoints.h"
#include "platform/posix/HiddenList.h"
#include "platform/posix/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace vk::platform {

using detail::Quoted;
using detail::RaiseSystemError;

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int NewFileFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
// Kept in the same extended attribute as the path-based attribute calls use.
constexpr const char* ExtraBitsAttribute = "user.veilkeep.attributes";
constexpr std::uint32_t ExtraBits = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// The kind of what lies under name in the folder, links not followed; 0 when nothing does.
mode_t KindAt(int folder, const std::string& name) {
    struct stat info {};
    if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    return info.st_mode & S_IFMT;
}

[[noreturn]] void RaiseLinkInTheWay(const fs::path& shown) {
    throw Error("Cannot create " + Quoted(shown) +
                ": a link is in its place, and extraction never writes through links.");
}

} // namespace

FolderHandle FolderHandle::Open(const fs::path& path) {
    const int handle = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        RaiseSystemError("Cannot open folder " + Quoted(path), errno);
    return FolderHandle(handle, path);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : FHandle(other.FHandle), FPath(std::move(other.FPath)), FNoHiddenRecord(other.FNoHiddenRecord) {
    other.FHandle = -1;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (FHandle >= 0)
            ::close(FHandle);
        FHandle = other.FHandle;
        FPath = std::move(other.FPath);
        FNoHiddenRecord = other.FNoHiddenRecord;
        other.FHandle = -1;
    }
    return *this;
}

FolderHandle::~FolderHandle() {
    if (FHandle >= 0)
        ::close(FHandle);
}

FolderHandle FolderHandle::Folder(const std::string& name) const {
    const fs::path shown = FPath / name;
    const std::string operation = "Cannot create folder " + Quoted(shown);
    if (detail::ShouldFail(faults::Op::CreateDirectory))
        RaiseSystemError(operation, EIO);
    const bool created = ::mkdirat(FHandle, name.c_str(), 0700) == 0;
    if (!created && errno != EEXIST)
        RaiseSystemError(operation, errno);
    const int handle = ::openat(FHandle, name.c_str(), FolderFlags);
    if (handle < 0) {
        const int error = errno;
        if (KindAt(FHandle, name) == S_IFLNK)
            RaiseLinkInTheWay(shown);
        RaiseSystemError(operation, error);
    }
    FolderHandle folder(handle, shown);
    // Exactly owner-only, whatever the umask took away; a folder that was
    // already there keeps its mode.
    if (created && ::fchmod(handle, 0700) != 0)
        RaiseSystemError(operation, errno);
    folder.FNoHiddenRecord = created;
    return folder;
}

FileStream FolderHandle::CreateFile(const std::string& name) const {
    const fs::path shown = FPath / name;
    const std::string operation = "Cannot create file " + Quoted(shown);
    int handle = ::openat(FHandle, name.c_str(), NewFileFlags, 0600);
    if (handle < 0 && errno == EEXIST) {
        // A plain file is replaced by a new one: removing the name never
        // touches another name of the same file, writing through it would.
        const mode_t kind = KindAt(FHandle, name);
        if (kind == S_IFLNK)
            RaiseLinkInTheWay(shown);
        if (kind == S_IFREG && ::unlinkat(FHandle, name.c_str(), 0) != 0)
            RaiseSystemError(operation, errno);
        handle = ::openat(FHandle, name.c_str(), NewFileFlags, 0600);
    }
    if (handle < 0)
        RaiseSystemError(operation, errno);
    // Exactly owner-only, whatever the umask took away.
    if (::fchmod(handle, 0600) != 0) {
        const int error = errno;
        ::close(handle);
        RaiseSystemError(operation, error);
    }
    return FileStream(handle, shown);
}

bool FolderHandle::SetFileAttributes(FileStream& file, const std::string& name, std::uint32_t attributes) const {
    if (detail::ShouldFail(faults::Op::SetAttributes))
        return false;
    const int handle = file.FHandle;
    bool ok = true;
    // The file is new, owner-only (0600) and without the extended attribute:
    // only what differs from that is changed. The extended attribute first:
    // changing it needs the write permission that read-only takes away last.
    const std::uint32_t extra = attributes & ExtraBits;
    if (extra != 0) {
        const std::string value = std::to_string(extra);
        ok = ::fsetxattr(handle, ExtraBitsAttribute, value.data(), value.size(), 0) == 0 || errno == ENOTSUP;
    }
    const bool hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    // A shown name in a folder without a list is already shown: no look-up
    // of a list that is not there, once per file of a large tree.
    const bool listChanges = hidden ? name.empty() || name.front() != '.' : !FNoHiddenRecord;
    if (listChanges) {
        ok = detail::SetListedHiddenAt(FHandle, name, hidden) && ok;
        FNoHiddenRecord = false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ok = ::fchmod(handle, 0400) == 0 && ok;
    return ok;
}

} // namespace vk::platform
