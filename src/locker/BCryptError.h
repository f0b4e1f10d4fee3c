#pragma once

// Errors of the cryptographic provider behind the streaming transforms.

#include <cstdint>
#include <string>

namespace vk {

// Raises vk::Error with the message "<message> (BCrypt status: 0xXXXXXXXX)",
// the status shown as eight upper-case hexadecimal digits.
[[noreturn]] void RaiseBCryptError(const std::string& message, std::uint32_t status);

} // namespace vk
