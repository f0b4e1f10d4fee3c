#include "platform/posix/FaultPoints.h"
#include "platform/posix/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vk::platform {

using detail::Quoted;
using detail::RaiseSystemError;

namespace {

bool IsRead(FileStream::Mode mode) {
    return mode == FileStream::Mode::Read || mode == FileStream::Mode::ReadRegular;
}

int OpenFlags(FileStream::Mode mode) {
    switch (mode) {
    case FileStream::Mode::Read:
        return O_RDONLY | O_CLOEXEC;
    case FileStream::Mode::ReadRegular:
        // Opening a pipe without O_NONBLOCK waits for a writer; a regular
        // file reads the same either way.
        return O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    case FileStream::Mode::CreateNew:
        return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    case FileStream::Mode::Create:
    case FileStream::Mode::CreatePrivate:
        break;
    }
    return O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC;
}

} // namespace

FileStream::FileStream(const fs::path& path, Mode mode) : FPath(path) {
    const mode_t permissions = mode == Mode::CreatePrivate || mode == Mode::CreateNew ? 0600 : 0666;
    do {
        FHandle = ::open(path.c_str(), OpenFlags(mode), permissions);
    } while (FHandle < 0 && errno == EINTR);
    if (FHandle < 0)
        RaiseSystemError((IsRead(mode) ? "Cannot open file " : "Cannot create file ") + Quoted(path), errno);
    // A folder opens for reading on POSIX; as a file stream it is an error.
    struct stat info {};
    if (mode == Mode::Read && ::fstat(FHandle, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        RaiseSystemError("Cannot open file " + Quoted(path), EISDIR);
    }
    // An existing file keeps its mode through O_CREAT; a private one must not.
    if (mode == Mode::CreatePrivate && ::fchmod(FHandle, 0600) != 0) {
        const int error = errno;
        ::close(FHandle);
        FHandle = -1;
        RaiseSystemError("Cannot create file " + Quoted(path), error);
    }
}

FileStream::~FileStream() {
    if (FHandle >= 0)
        ::close(FHandle);
}

std::size_t FileStream::ReadOnce(void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t got = ::read(FHandle, buffer, count);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            RaiseSystemError("Cannot read file " + Quoted(FPath), errno);
    }
}

void FileStream::Write(const void* buffer, std::size_t count) {
    const std::string operation = "Cannot write file " + Quoted(FPath);
    if (detail::ShouldFail(faults::Op::Write))
        RaiseSystemError(operation, EIO);
    // Under a test's disk limit only part of the bytes fit, as on a full disk.
    const std::size_t allowed = detail::TakeWriteAllowance(count);
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < allowed) {
        const ssize_t put = ::write(FHandle, bytes + done, allowed - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            RaiseSystemError(operation, errno);
        if (put == 0)
            RaiseSystemError(operation, ENOSPC);
        done += static_cast<std::size_t>(put);
    }
    if (allowed < count)
        RaiseSystemError(operation, ENOSPC);
}

void FileStream::Seek(std::int64_t position) {
    if (::lseek(FHandle, static_cast<off_t>(position), SEEK_SET) < 0)
        RaiseSystemError("Cannot seek in file " + Quoted(FPath), errno);
}

std::int64_t FileStream::Position() const {
    const off_t position = ::lseek(FHandle, 0, SEEK_CUR);
    if (position < 0)
        RaiseSystemError("Cannot seek in file " + Quoted(FPath), errno);
    return position;
}

std::int64_t FileStream::Size() const {
    struct stat info {};
    if (::fstat(FHandle, &info) != 0)
        RaiseSystemError("Cannot read the size of file " + Quoted(FPath), errno);
    return info.st_size;
}

void FileStream::Sync() {
    const std::string operation = "Cannot flush file " + Quoted(FPath);
    if (detail::ShouldFail(faults::Op::Sync))
        RaiseSystemError(operation, EIO);
    if (::fsync(FHandle) != 0)
        RaiseSystemError(operation, errno);
}

void FileStream::Close() {
    if (FHandle < 0)
        return;
    const int handle = FHandle;
    FHandle = -1;
    // The descriptor is gone after close() whatever it reports; never retry.
    if (::close(handle) != 0 && errno != EINTR)
        RaiseSystemError("Cannot close file " + Quoted(FPath), errno);
}

} // namespace vk::platform
