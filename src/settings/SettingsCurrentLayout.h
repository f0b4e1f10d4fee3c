#pragma once

// The version-2 settings layout, read when an older file is migrated (tests
// also write it):
//   int32 4, "VKS2", int32 2, salt[16], nonce[16], MAC[32], ciphertext[rest].
// The ciphertext is the payload XORed with an HMAC keystream; the MAC covers
// the nonce and the ciphertext. Both keys come from the pass phrase and the salt.

#include "security/uSecurityUtils.h"
#include "settings/SettingsPayload.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vk {

inline constexpr const char* CurrentSettingsMagic = "VKS2";
inline constexpr std::int32_t CurrentSettingsVersion = 2;
inline constexpr std::int32_t SettingsSaltSize = 16;
inline constexpr std::int32_t SettingsNonceSize = 16;
inline constexpr std::int32_t SettingsMacSize = 32;
inline constexpr std::int32_t SettingsKdfIterations = 200000;

// Empty when the image does not start with the current magic (another layout).
// Raises "Unsupported settings version.", "Settings integrity check failed.",
// a length error or a read error when it does but cannot be read; nothing of
// the payload is looked at before the MAC has been checked.
std::optional<SettingsValues> ReadCurrentSettings(const Bytes& image, const std::string& passphrase);

// The complete file image for a payload, under a fresh salt and nonce.
Bytes SealSettingsPayload(Bytes payload, const std::string& passphrase);

} // namespace vk
