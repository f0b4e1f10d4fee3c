#pragma once

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vk::test {

// True when taking every permission away from a file keeps this process from
// reading it: not for root, and not on Windows, where the permission bits
// only map to the read-only attribute.
inline bool PermissionsCanDenyReading() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() != 0;
#endif
}

} // namespace vk::test
