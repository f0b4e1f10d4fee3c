#pragma once

// The locker engine's public interface: the shared types and the three
// operations. Lockers are single files holding one file or folder tree,
// encrypted with AES-256-CTR and authenticated with HMAC-SHA256.

#include <cstdint>
#include <functional>
#include <string>

namespace vk {

inline constexpr const char* LockerMagic = "VKLK4";
inline constexpr const char* LockerExtension = ".vklocker";

struct TLockerResult {
    bool Success = false;
    std::string MessageText;  // success message or the reason of the failure (UTF-8)
    std::string RecoveryCode; // see CreateLocker / ExtractLocker
    // After a successful ExtractLocker: what the user should know although
    // every item was restored (UTF-8, translated); otherwise empty.
    std::string WarningText;
    bool SecretRefused = false; // RekeyLocker: neither slot opens with the secret
};

struct TEntryInfo {
    std::string RelativePath;   // backslash-separated below the root; file name for a one-file locker
    std::string SourceFullPath; // on disk while creating; not stored
    bool IsDir = false;
    std::int32_t Attr = 0; // Windows attribute bits
    std::int64_t Size = 0; // content bytes; 0 for folders
};

// Path names the item being processed; Done and Total count payload bytes.
using TLockerProgressProc = std::function<void(const std::string& path, std::int64_t done, std::int64_t total)>;
// True when the user asked to stop.
using TLockerCancelFunc = std::function<bool()>;

// Encrypts the file or folder at sourcePath into lockerPath, which must be
// free: the file is made new and owner-only, never through a link, and
// anything already at the name (a file, a folder, a link) makes the creation
// fail without touching it. Never touches the source. On success
// RecoveryCode holds the new code.
TLockerResult CreateLocker(const std::string& sourcePath, const std::string& lockerPath, const std::string& password,
                           const TLockerProgressProc& progress = {}, const TLockerCancelFunc& cancel = {});

// A fresh name to write the locker at lockerPath under before it takes its
// final name: lockerPath, a dot, 12 random upper-case hexadecimal digits and ".tmp".
// No one can plant anything at it in advance.
std::string TemporaryLockerPath(const std::string& lockerPath);
// True when fileName is a name TemporaryLockerPath gives for a locker of the
// file name lockerName.
bool IsTemporaryLockerName(const std::string& fileName, const std::string& lockerName);

// Recreates the locker's item inside targetFolder with the password or the
// recovery code. Raises vk::Error for an empty target folder or a locker that
// cannot be opened; reports every other failure in the result. Partial output
// of a failed extraction is left for the caller.
TLockerResult ExtractLocker(const std::string& lockerPath, const std::string& targetFolder, const std::string& secret,
                            const TLockerProgressProc& progress = {}, const TLockerCancelFunc& cancel = {});

// Writes the locker at lockerPath anew at newLockerPath under newPassword,
// with a new master key, salts, nonce and recovery code (in RecoveryCode on
// success); oldSecret is its password or recovery code. newLockerPath is
// created as a new private file and never through a link: anything already
// there fails the call. The payload is decrypted and encrypted again in
// memory, so no byte of it reaches the disk in clear; success only when the
// old payload's MAC matched and the new locker verified. On failure the new
// file is removed and the old one is as it was. The caller flushes the new
// locker and puts it in place.
TLockerResult RekeyLocker(const std::string& lockerPath, const std::string& newLockerPath, const std::string& oldSecret,
                          const std::string& newPassword, const TLockerProgressProc& progress = {},
                          const TLockerCancelFunc& cancel = {});

// A quick look, not a proof: true when a slot's key for the secret decrypts
// the payload's first bytes into a plausible start (one key derivation per
// slot, a few bytes read). A false answer is certain for a sound locker; a
// true one still needs the MAC. Raises nothing.
bool LockerMayOpenWith(const std::string& lockerPath, const std::string& secret);

// Re-reads a locker with the password; writes nothing, raises nothing.
bool VerifyLocker(const std::string& lockerPath, const std::string& password, std::string& message);

// True when the name's extension is ".vklocker", ignoring ASCII case.
bool IsLockerFileName(const std::string& fileName);

} // namespace vk
