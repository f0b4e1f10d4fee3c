#pragma once

// OpenSSL's side of a failed call: the first code of its error queue.

#include <cstdint>

namespace vk {

// The provider's most recent error code (OpenSSL's error queue), which is
// then cleared; 0 when the provider recorded none.
std::uint32_t LastProviderStatus();

} // namespace vk
