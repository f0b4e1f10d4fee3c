#include "locker/BCryptError.h"

#include "platform/Error.h"

#include <openssl/err.h>

#include <cstdio>

namespace vk {

void RaiseBCryptError(const std::string& message, std::uint32_t status) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, " (BCrypt status: 0x%.8X)", status);
    throw Error(message + suffix);
}

std::uint32_t LastProviderStatus() {
    // The first error is the one that explains the failure; later entries
    // only add context.
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    return static_cast<std::uint32_t>(code);
}

} // namespace vk
