#include "platform/posix/SystemError.h"

#include "platform/Error.h"

#include <cstring>

namespace vk::platform::detail {

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

void RaiseSystemError(const std::string& operation, int error) {
    throw Error(operation + ": " + std::strerror(error));
}

} // namespace vk::platform::detail
