#pragma once

// The older settings layout, read only: the whole file is one byte stream,
// every byte inverted and then decoded with a 16-bit running key. The decoded
// bytes hold an int32 version (1 or more) followed by the payload.

#include "security/uSecurityUtils.h"
#include "settings/SettingsPayload.h"

#include <cstdint>

namespace vk {

// The running key starts at S; after each byte it becomes
// ((decoded byte + low byte of key) mod 256) * M + A, modulo 65536.
// Chosen so that the first four bytes of every current-layout file (int32 4)
// decode to a negative version: a current file that falls through to this
// reader is always rejected and never yields a password.
inline constexpr std::uint16_t LegacyKeyMultiplier = 0x4E6D; // M: multiplier of the running key
inline constexpr std::uint16_t LegacyKeyIncrement = 0x3039;  // A: increment of the running key
inline constexpr std::uint16_t LegacyKeyStart = 0x7F4A;      // S: the running key's start value

// Inverts and decodes the bytes in place.
void DecodeLegacySettings(Bytes& data);
// Raises "Unsupported settings version." for a version below 1, or a length
// or read error; keeps empty path entries.
SettingsValues ReadLegacySettings(const Bytes& image);

} // namespace vk
