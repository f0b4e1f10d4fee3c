#include "platform/uPlatform.h"

namespace vk::platform {

// The same on every platform: each backend gives the single read.
std::size_t FileStream::Read(void* buffer, std::size_t count) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t got = ReadOnce(bytes + done, count - done);
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace vk::platform
