#include "platform/uPlatform.h"

#include <sys/statvfs.h>

namespace vk::platform {

std::optional<std::uint64_t> FreeSpace(const fs::path& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

} // namespace vk::platform
