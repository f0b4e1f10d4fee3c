#include "locker/BCryptError.h"

#include "platform/Error.h"

#include <cstdio>

namespace vk {

void RaiseBCryptError(const std::string& message, std::uint32_t status) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, " (BCrypt status: 0x%.8X)", status);
    throw Error(message + suffix);
}

} // namespace vk
