#include "platform/posix/FaultPoints.h"
#include "platform/posix/HiddenList.h"
#include "platform/posix/SystemError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vk::platform {

using detail::Quoted;
using detail::RaiseSystemError;

namespace {

// An injected failure reports what a failing disk reports.
constexpr int InjectedError = EIO;

} // namespace

namespace {

// Renames with or without replacing the target. The hidden attribute travels
// with the item, as the other attributes do with the inode; a replaced target
// loses its own.
void Rename(const fs::path& from, const fs::path& to, bool replace) {
    const std::string operation = "Cannot rename " + Quoted(from) + " to " + Quoted(to);
    if (detail::ShouldFail(faults::Op::Rename))
        RaiseSystemError(operation, InjectedError);
    const fs::path fullFrom = FullPath(from);
    const fs::path fullTo = FullPath(to);
    const bool fromListed = detail::IsListedHidden(fullFrom);
    const bool toListed = detail::IsListedHidden(fullTo);
    if (replace) {
        if (::rename(from.c_str(), to.c_str()) != 0)
            RaiseSystemError(operation, errno);
    } else if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        const int error = errno;
        if (error != EINVAL && error != ENOSYS)
            RaiseSystemError(operation, error);
        // A file system without the flag: check, then rename.
        struct stat existing {};
        if (::lstat(to.c_str(), &existing) == 0)
            RaiseSystemError(operation, EEXIST);
        if (::rename(from.c_str(), to.c_str()) != 0)
            RaiseSystemError(operation, errno);
    }
    if (fullFrom == fullTo)
        return;
    if (fromListed)
        detail::SetListedHidden(fullFrom, false);
    if (fromListed != toListed)
        detail::SetListedHidden(fullTo, fromListed);
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
    if (::mkdir(path.c_str(), 0700) != 0)
        RaiseSystemError(operation, errno);
}

bool ReadItemStamp(const fs::path& path, TItemStamp& stamp) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return false;
    using Kind = TItemStamp::Kind;
    stamp.Type = S_ISREG(status.st_mode)   ? Kind::File
                 : S_ISDIR(status.st_mode) ? Kind::Folder
                 : S_ISLNK(status.st_mode) ? Kind::Link
                                           : Kind::Other;
    stamp.Device = static_cast<std::uint64_t>(status.st_dev);
    stamp.Inode = static_cast<std::uint64_t>(status.st_ino);
    stamp.Owned = status.st_uid == ::geteuid();
    stamp.Size = stamp.Type == Kind::Folder ? 0 : static_cast<std::int64_t>(status.st_size);
    constexpr std::int64_t NsPerSecond = 1000000000;
    stamp.ChangeTimeNs = static_cast<std::int64_t>(status.st_ctim.tv_sec) * NsPerSecond + status.st_ctim.tv_nsec;
    stamp.ModifyTimeNs = static_cast<std::int64_t>(status.st_mtim.tv_sec) * NsPerSecond + status.st_mtim.tv_nsec;
    return true;
}

void DeleteFile(const fs::path& path) {
    const std::string operation = "Cannot delete file " + Quoted(path);
    if (detail::ShouldFail(faults::Op::Delete))
        RaiseSystemError(operation, InjectedError);
    if (::unlink(path.c_str()) != 0)
        RaiseSystemError(operation, errno);
}

void CreateDirectory(const fs::path& path) {
    const std::string operation = "Cannot create folder " + Quoted(path);
    if (detail::ShouldFail(faults::Op::CreateDirectory))
        RaiseSystemError(operation, InjectedError);
    if (::mkdir(path.c_str(), 0777) == 0)
        return;
    const int error = errno;
    if (error == EEXIST && DirectoryExists(path))
        return;
    RaiseSystemError(operation, error);
}

void RemoveDirectory(const fs::path& path) {
    const std::string operation = "Cannot remove folder " + Quoted(path);
    if (detail::ShouldFail(faults::Op::RemoveDirectory))
        RaiseSystemError(operation, InjectedError);
    if (::rmdir(path.c_str()) != 0)
        RaiseSystemError(operation, errno);
}

void FlushFolder(const fs::path& folder) {
    const std::string operation = "Cannot flush folder " + Quoted(folder);
    if (detail::ShouldFail(faults::Op::Sync))
        RaiseSystemError(operation, InjectedError);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        RaiseSystemError(operation, errno);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    // Some file systems cannot flush a folder; their entries are as durable as they get.
    if (result != 0 && error != EINVAL && error != ENOTSUP)
        RaiseSystemError(operation, error);
}

} // namespace vk::platform
