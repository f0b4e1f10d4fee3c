#include "locker/openssl/ProviderStatus.h"

#include <openssl/err.h>

namespace vk {

std::uint32_t LastProviderStatus() {
    // The first error is the one that explains the failure; later entries
    // only add context.
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    return static_cast<std::uint32_t>(code);
}

} // namespace vk
