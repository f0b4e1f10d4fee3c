#include "platform/uPlatform.h"

namespace vk::platform {

// The same on every platform: std::filesystem knows the system's roots and separators.
fs::path FullPath(const fs::path& path) {
    if (path.empty())
        return {};
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    if (ec)
        return {};
    full = full.lexically_normal();
    // "/a/b/" normalises to "/a/b/": drop the separator, but keep the root's.
    if (!full.has_filename() && full != full.root_path())
        full = full.parent_path();
    return full;
}

} // namespace vk::platform
