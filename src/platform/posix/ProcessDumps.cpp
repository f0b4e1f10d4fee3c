#include "platform/uPlatform.h"

#include <sys/resource.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace vk::platform {

void KeepMemoryOutOfDumps() {
#if defined(__linux__)
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
    // Both limits: a child started later cannot raise them again either.
    const struct rlimit none = {0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
}

} // namespace vk::platform
