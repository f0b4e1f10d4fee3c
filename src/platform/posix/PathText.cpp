#include "platform/uPlatform.h"

namespace vk::platform {

// A POSIX name is bytes: the core's UTF-8 passes through unchanged, and so
// does a name that is not UTF-8.
fs::path PathFromUtf8(std::string_view text) {
    return fs::path(text);
}

std::string Utf8FromPath(const fs::path& path) {
    return path.native();
}

} // namespace vk::platform
