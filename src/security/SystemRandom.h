#pragma once

// The operating system's random generator, as the crypto backend reaches it.

#include "security/uSecurityUtils.h"

namespace vk {

// Fills every byte of out; raises vk::Error when the system gives none.
void FillWithSystemRandom(Bytes& out);

} // namespace vk
