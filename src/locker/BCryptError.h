#pragma once

// Errors of the cryptographic provider behind the streaming transforms.

#include <cstdint>
#include <string>

namespace vk {

// Raises vk::Error with the message "<message> (BCrypt status: 0xXXXXXXXX)",
// the status shown as eight upper-case hexadecimal digits.
[[noreturn]] void RaiseBCryptError(const std::string& message, std::uint32_t status);

// The provider's most recent error code (OpenSSL's error queue), which is
// then cleared; 0 when the provider recorded none.
std::uint32_t LastProviderStatus();

} // namespace vk
