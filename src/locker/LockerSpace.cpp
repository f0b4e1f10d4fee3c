#include "locker/LockerSpace.h"

#include "locker/LockerText.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"

#include <cstdio>
#include <optional>

namespace vk {

std::string SizeText(std::uint64_t bytes) {
    constexpr double KiB = 1024.0;
    char text[32];
    const auto value = static_cast<double>(bytes);
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (value < KiB * KiB)
        std::snprintf(text, sizeof text, "%.1f KiB", value / KiB);
    else if (value < KiB * KiB * KiB)
        std::snprintf(text, sizeof text, "%.1f MiB", value / (KiB * KiB));
    else
        std::snprintf(text, sizeof text, "%.2f GiB", value / (KiB * KiB * KiB));
    return text;
}

void CheckFreeSpace(const std::filesystem::path& folder, std::uint64_t needed) {
    const std::optional<std::uint64_t> free = platform::FreeSpace(folder);
    if (free && *free < needed)
        throw Error(TranslateFormat("Not enough free space on the disk: %s needed, %s free.", SizeText(needed),
                                    SizeText(*free)));
}

} // namespace vk
