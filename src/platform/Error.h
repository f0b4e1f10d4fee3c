#pragma once

#include <stdexcept>
#include <string>

namespace vk {

// The one exception type the core raises. It carries the message text that is
// shown to the user; the locker operations catch it and report the text.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace vk
