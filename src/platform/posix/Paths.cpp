#include "platform/uPlatform.h"

#include <climits>
#include <sys/stat.h>

namespace vk::platform {

namespace {

// stat() that follows links; false when the item is missing or unreachable.
bool StatPath(const fs::path& path, struct stat& info) {
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

} // namespace

bool FileExists(const fs::path& path) {
    struct stat info {};
    return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const fs::path& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool PathExists(const fs::path& path) {
    struct stat info {};
    return StatPath(path, info);
}

std::string NameAsCompared(const std::string& name) {
    return name;
}

PathLimits SystemPathLimits() {
    // A name and a whole path as the system's calls and tools take them. The
    // depth bound keeps an extraction's chain of open folder handles well
    // inside the usual limit of 1024 open files per process.
    return {NAME_MAX, PATH_MAX - 1, 256};
}

} // namespace vk::platform
