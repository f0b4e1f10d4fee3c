#include "platform/posix/FaultPoints.h"
#include "platform/posix/HiddenList.h"
#include "platform/posix/SystemError.h"

#include <cerrno>
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

void RenameFile(const fs::path& from, const fs::path& to) {
    const std::string operation = "Cannot rename " + Quoted(from) + " to " + Quoted(to);
    if (detail::ShouldFail(faults::Op::Rename))
        RaiseSystemError(operation, InjectedError);
    const fs::path fullFrom = FullPath(from);
    const fs::path fullTo = FullPath(to);
    // The hidden attribute travels with the item, as the other attributes do
    // with the inode; a replaced target loses its own.
    const bool fromListed = detail::IsListedHidden(fullFrom);
    const bool toListed = detail::IsListedHidden(fullTo);
    if (::rename(from.c_str(), to.c_str()) != 0)
        RaiseSystemError(operation, errno);
    if (fullFrom == fullTo)
        return;
    if (fromListed)
        detail::SetListedHidden(fullFrom, false);
    if (fromListed != toListed)
        detail::SetListedHidden(fullTo, fromListed);
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
