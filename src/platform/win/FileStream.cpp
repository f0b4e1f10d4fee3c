#include "platform/posix/FaultPoints.h"
#include "platform/win/Handles.h"
#include "platform/win/PrivateSecurity.h"
#include "platform/win/SystemError.h"
#include "platform/win/Text.h"

#include <cerrno>
#include <optional>

namespace vk::platform {

using detail::HandleOf;
using detail::Quoted;
using detail::RaiseLastError;
using detail::RaiseSystemError;

FileStream::FileStream(const fs::path& path, Mode mode) : FPath(path) {
    // A folder never opens as a file here, so both reading modes are one.
    const bool read = mode == Mode::Read || mode == Mode::ReadRegular;
    const std::string operation = (read ? "Cannot open file " : "Cannot create file ") + Quoted(path);
    std::optional<detail::PrivateSecurity> security;
    if (mode == Mode::CreatePrivate || mode == Mode::CreateNew)
        security.emplace();
    const DWORD access = read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE | (security ? WRITE_DAC : 0);
    // Others may read beside us. A file opened for reading may also be
    // written, renamed or deleted meanwhile, as on the other platforms (and
    // Sync opens it once more for writing); one being written may not.
    const DWORD share = read ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
    // CREATE_NEW fails for any name that exists, a link (a reparse point)
    // included, so nothing is opened through one.
    const DWORD disposition = read ? OPEN_EXISTING : mode == Mode::CreateNew ? CREATE_NEW : CREATE_ALWAYS;
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | (mode == Mode::CreateNew ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    const HANDLE handle = ::CreateFileW(detail::Utf16(path).c_str(), access, share,
                                        security ? security->Attributes() : nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        RaiseLastError(operation);
    // A file that was there already keeps its access list through the
    // creation; a private one must not.
    if (security && ::GetLastError() == ERROR_ALREADY_EXISTS && !security->ApplyTo(handle)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        detail::RaiseWin32Error(operation, error);
    }
    FHandle = detail::AdoptHandle(handle, operation);
}

FileStream::~FileStream() {
    if (FHandle >= 0)
        detail::CloseDescriptor(FHandle);
}

std::size_t FileStream::ReadOnce(void* buffer, std::size_t count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(HandleOf(FHandle), buffer, chunk, &got, nullptr))
        RaiseLastError("Cannot read file " + Quoted(FPath));
    return got;
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
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(allowed - done, 1u << 30));
        DWORD put = 0;
        if (!::WriteFile(HandleOf(FHandle), bytes + done, chunk, &put, nullptr))
            RaiseLastError(operation);
        if (put == 0)
            RaiseSystemError(operation, ENOSPC);
        done += put;
    }
    if (allowed < count)
        RaiseSystemError(operation, ENOSPC);
}

void FileStream::Seek(std::int64_t position) {
    LARGE_INTEGER to{};
    to.QuadPart = position;
    if (position < 0 || !::SetFilePointerEx(HandleOf(FHandle), to, nullptr, FILE_BEGIN))
        RaiseSystemError("Cannot seek in file " + Quoted(FPath), EINVAL);
}

std::int64_t FileStream::Position() const {
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(HandleOf(FHandle), zero, &position, FILE_CURRENT))
        RaiseLastError("Cannot seek in file " + Quoted(FPath));
    return position.QuadPart;
}

std::int64_t FileStream::Size() const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(HandleOf(FHandle), &size))
        RaiseLastError("Cannot read the size of file " + Quoted(FPath));
    return size.QuadPart;
}

void FileStream::Sync() {
    const std::string operation = "Cannot flush file " + Quoted(FPath);
    if (detail::ShouldFail(faults::Op::Sync))
        RaiseSystemError(operation, EIO);
    if (::FlushFileBuffers(HandleOf(FHandle)))
        return;
    // Flushing needs write access: a file opened for reading is flushed
    // through a second, writable handle to the same file.
    if (::GetLastError() != ERROR_ACCESS_DENIED)
        RaiseLastError(operation);
    const HANDLE writable =
        ::ReOpenFile(HandleOf(FHandle), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
    if (writable == INVALID_HANDLE_VALUE)
        RaiseLastError(operation);
    const bool flushed = ::FlushFileBuffers(writable) != 0;
    const DWORD error = ::GetLastError();
    ::CloseHandle(writable);
    if (!flushed)
        detail::RaiseWin32Error(operation, error);
}

void FileStream::Close() {
    if (FHandle < 0)
        return;
    const int handle = FHandle;
    FHandle = -1;
    // The descriptor is gone whatever the close reports; never retry.
    if (!detail::CloseDescriptor(handle))
        RaiseSystemError("Cannot close file " + Quoted(FPath), EIO);
}

} // namespace vk::platform
