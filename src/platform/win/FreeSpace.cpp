#include "platform/uPlatform.h"
#include "platform/win/Text.h"
#include "platform/win/WinApi.h"

namespace vk::platform {

std::optional<std::uint64_t> FreeSpace(const fs::path& folder) {
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(detail::Utf16(folder).c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

} // namespace vk::platform
