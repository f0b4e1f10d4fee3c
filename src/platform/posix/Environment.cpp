#include "platform/uPlatform.h"

#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace vk::platform {

namespace {

// The value of an environment variable; empty when unset.
std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

fs::path ExecutableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return FullPath(fs::current_path(ec));
    return exe.parent_path();
}

fs::path TempFolder() {
    std::error_code ec;
    fs::path folder = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : FullPath(folder);
}

std::string HostName() {
    std::vector<char> name(HOST_NAME_MAX + 1, '\0');
    if (::gethostname(name.data(), name.size() - 1) != 0)
        return EnvironmentValue("HOSTNAME");
    return name.data();
}

std::string UserName() {
    // The login name of the effective user; the environment only as a fallback
    // (a user without a passwd entry, as in some containers).
    if (const struct passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name && *entry->pw_name)
        return entry->pw_name;
    std::string name = EnvironmentValue("USER");
    return name.empty() ? EnvironmentValue("LOGNAME") : name;
}

fs::path ConfigBaseFolder() {
    // XDG asks to ignore a relative XDG_CONFIG_HOME.
    const fs::path xdg = EnvironmentValue("XDG_CONFIG_HOME");
    if (xdg.is_absolute())
        return FullPath(xdg);
    const fs::path home = EnvironmentValue("HOME");
    if (home.is_absolute())
        return FullPath(home / ".config");
    return ExecutableFolder();
}

} // namespace vk::platform
