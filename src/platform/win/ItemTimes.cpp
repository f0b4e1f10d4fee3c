#include "platform/win/ItemTimes.h"
#include "platform/uPlatform.h"
#include "platform/win/Handles.h"
#include "platform/win/Text.h"
#include "platform/win/WinApi.h"

// Modification times of an open file or folder. Windows items have no
// permission bits: setting them does nothing.

namespace vk::platform {

namespace {

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t UnixEpochIn100ns = 116444736000000000;

bool SetModifyTimeOf(HANDLE handle, const TModifyTime& time) {
    FILE_BASIC_INFO info{}; // zero times and attributes: left as they are
    info.LastWriteTime.QuadPart = time.Seconds * 10000000 + time.Nanoseconds / 100 + UnixEpochIn100ns;
    return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) != 0;
}

} // namespace

TModifyTime detail::ModifyTimeFromFileTime(const FILETIME& time) {
    const std::int64_t ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) -
        UnixEpochIn100ns;
    std::int64_t seconds = ticks / 10000000;
    std::int64_t rest = ticks % 10000000;
    if (rest < 0) {
        rest += 10000000;
        --seconds;
    }
    return {seconds, static_cast<std::int32_t>(rest * 100)};
}

bool FileStream::SetModifyTime(const TModifyTime& time) {
    return SetModifyTimeOf(detail::HandleOf(FHandle), time);
}

bool FileStream::SetPermissions(std::uint32_t) {
    return true;
}

// The held handle may only list and traverse; the time is set through a
// second handle to the same folder, which the held one keeps from being
// renamed or replaced meanwhile.
bool FolderHandle::SetModifyTime(const TModifyTime& time) const {
    const HANDLE handle = ::CreateFileW(detail::Utf16(FPath).c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool set = SetModifyTimeOf(handle, time);
    ::CloseHandle(handle);
    return set;
}

bool FolderHandle::SetPermissions(std::uint32_t) const {
    return true;
}

} // namespace vk::platform
