#pragma once

// Stateless security routines: random bytes, encodings, constant-time
// comparison, SHA-256, HMAC-SHA256, PBKDF2, recovery codes and the HMAC-based
// keystream used by the settings file. The primitives come from OpenSSL or,
// in the Windows build, from CNG (security/openssl/, security/cng/).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vk {

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::int32_t count); // empty for 0 or less
// Tests that must reproduce output byte for byte replace the system's
// generator with a fixed sequence; nullptr gives the system's generator back.
using RandomFill = void (*)(std::uint8_t* out, std::size_t count);
void SetRandomFillForTesting(RandomFill fill);
Bytes Utf8Bytes(const std::string& text);   // text is UTF-8 already
std::string BytesToHex(const Bytes& bytes); // upper-case digits
bool ConstantTimeEquals(const Bytes& a, const Bytes& b);
Bytes Sha256Bytes(const Bytes& data);
Bytes HmacSha256(const Bytes& key, const Bytes& data);
// Raises vk::Error("Iterations must be positive.") for iterations <= 0.
Bytes Pbkdf2Sha256(const std::string& password, const Bytes& salt, std::int32_t iterations, std::int32_t keyLength);
std::string GenerateRecoveryCode(); // XXXX-XXXX-...-XXXX, 39 characters
void HmacCtrXor(Bytes& data, const Bytes& key, const Bytes& nonce);

// Overwrites key material before it is released.
void SecureWipe(Bytes& bytes);
void SecureWipe(std::string& text);

} // namespace vk
