#include "platform/uPlatform.h"

#include <sys/stat.h>

// Times and permission bits of an open file or folder, set through its
// descriptor: never through a name that could have been replaced.

namespace vk::platform {

namespace {

bool SetModifyTimeOf(int handle, const TModifyTime& time) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(time.Seconds), time.Nanoseconds}};
    return ::futimens(handle, times) == 0;
}

bool SetPermissionsOf(int handle, std::uint32_t bits) {
    return ::fchmod(handle, static_cast<mode_t>(bits & 0777)) == 0;
}

} // namespace

bool FileStream::SetModifyTime(const TModifyTime& time) {
    return SetModifyTimeOf(FHandle, time);
}

bool FileStream::SetPermissions(std::uint32_t bits) {
    return SetPermissionsOf(FHandle, bits);
}

bool FolderHandle::SetModifyTime(const TModifyTime& time) const {
    return SetModifyTimeOf(FHandle, time);
}

bool FolderHandle::SetPermissions(std::uint32_t bits) const {
    return SetPermissionsOf(FHandle, bits);
}

} // namespace vk::platform
