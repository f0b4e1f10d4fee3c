#pragma once

// The settings layout keyed by the application password (version 3):
//   int32 4, "VKS3", int32 3, int32 iterations, salt[16], nonce[16], MAC[32], ciphertext[rest].
// Both keys come from PBKDF2-SHA256 over the password with the file's salt and
// iterations; the MAC covers every byte before it and the ciphertext. The file
// holds no password and nothing else that tells a guess right or wrong before
// the full key derivation: trying a password costs as much as trying it on a
// locker.
//
// Payload: strong-hide byte, int32 path count, the paths, int32 count of
// previous passwords, those passwords, change-in-progress byte.

#include "security/uSecurityUtils.h"
#include "settings/SettingsPayload.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vk {

inline constexpr const char* PasswordSettingsMagic = "VKS3";
inline constexpr std::int32_t PasswordSettingsVersion = 3;
// Never fewer than a locker's own key derivation takes; a file asking for
// more than twenty times that is refused before anything is derived.
inline constexpr std::int32_t PasswordSettingsIterations = 200000;
inline constexpr std::int32_t MaxPasswordSettingsIterations = 20 * PasswordSettingsIterations;
inline constexpr std::size_t PasswordSettingsHeaderSize = 80; // up to the ciphertext

// The header of a file in this layout, checked without the password.
struct PasswordSettingsHeader {
    std::int32_t Iterations = 0;
    Bytes Salt;
    Bytes Nonce;
    Bytes Mac;
};

// Empty when the image does not start with this layout's magic. Raises
// "Unsupported settings version.", "Invalid iteration count in settings." or a
// read error when it does but its header is not sound.
std::optional<PasswordSettingsHeader> ReadPasswordSettingsHeader(const Bytes& image);

// The values of a sound image when it opens with password, empty when it does
// not (another password, or a changed byte). Raises a length or read error for
// a payload that the MAC accepted but that cannot be read.
std::optional<SettingsValues> OpenPasswordSettings(const Bytes& image, const std::string& password);

// The payload on its own, as it is read once the MAC matched.
SettingsValues ReadPasswordSettingsPayload(SettingsReader& in);
Bytes WritePasswordSettingsPayload(bool strongHide, const std::vector<std::string>& paths,
                                   const std::vector<std::string>& previousPasswords, bool changeInProgress);

// The complete file image for a payload under the given salt, nonce and
// iterations (the store draws salt and nonce afresh for every save).
Bytes SealPasswordSettings(Bytes payload, const std::string& password, const Bytes& salt, const Bytes& nonce,
                           std::int32_t iterations = PasswordSettingsIterations);

} // namespace vk
