#pragma once

// The locker file's layout and key hierarchy:
//
//   magic "VKLK4" (string) | version 4 | password slot | recovery slot |
//   nonce (16) | payload MAC (32) | payload length (64-bit) | payload
//
// A slot is an iteration count, a 16-byte salt and the 32-byte master key
// XORed with PBKDF2(secret, salt, iterations). The payload is one AES-256-CTR
// stream under HMAC(master, "enc") starting with the nonce as counter block;
// the MAC is HMAC-SHA256 under HMAC(master, "mac") over nonce and ciphertext.

#include "locker/LockerStreams.h"
#include "security/uSecurityUtils.h"

#include <cstdint>
#include <future>
#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vk {

inline constexpr std::int32_t LockerVersion = 4;
inline constexpr std::int32_t LockerIterations = 200000;
// Readers refuse counts above this before deriving anything: a crafted header
// must not keep the program busy for hours.
inline constexpr std::int32_t MaxAcceptedIterations = 20 * LockerIterations;
inline constexpr std::int32_t LockerSaltLength = 16;
inline constexpr std::int32_t LockerKeyLength = 32;
inline constexpr std::int32_t LockerNonceLength = 16;
inline constexpr std::int32_t LockerMacLength = 32;
inline constexpr std::int64_t LockerHeaderSize = 173;
inline constexpr std::int64_t LockerMacOffset = 133; // PayloadMac, then PayloadLength

struct TLockerKeySlot {
    std::int32_t Iterations = 0;
    Bytes Salt;
    Bytes WrappedKey;
};

struct TLockerHeader {
    TLockerKeySlot PasswordSlot;
    TLockerKeySlot RecoverySlot; // left empty when skipped
    Bytes Nonce;
    Bytes PayloadMac;
    std::int64_t PayloadLength = 0;
};

void WriteLockerHeader(LockerStream& stream, const TLockerHeader& header);

// Reads and checks the header from the stream's start: "Invalid locker file."
// and "Unsupported locker version." and "Invalid locker payload length."
// (translated), the plain helpers' messages, and "Stream read error" for a
// payload longer than the file. Leaves the stream at the payload.
enum class RecoverySlotReading { Read, Skip };
TLockerHeader ReadLockerHeader(LockerStream& stream, RecoverySlotReading recovery);

// HMAC(master key, label): the payload's "enc" and "mac" keys.
Bytes DeriveSubKey(const Bytes& masterKey, const char* label);
// The slot for a secret: fresh derivation of the key-encryption key over the
// given salt and iterations, XORed with the master key.
Bytes WrapMasterKey(const Bytes& masterKey, const std::string& secret, const Bytes& salt, std::int32_t iterations);

// Tries one slot with the secret: derives the candidate master key and checks
// the payload MAC over the whole payload. Returns the master key when it
// matches. Raises "Iterations must be positive." for a count of 0 or less.
// With a seal key, seal gets the seal of the payload it authenticated.
std::optional<Bytes> TryOpenSlot(LockerStream& stream, const TLockerHeader& header, const TLockerKeySlot& slot,
                                 const std::string& secret, const Bytes* sealKey = nullptr, Bytes* seal = nullptr);

// The keys of a new locker, drawn in this order: master key, password salt,
// recovery salt, nonce, recovery code. The two key derivations are most of a
// small locker's time and need nothing from the payload: they run one after
// the other on a thread of their own while the caller writes the payload;
// PutWrappedKeys waits for them and puts them into the header.
struct TNewLockerKeys {
    Bytes MasterKey; // wiped by the caller
    TLockerHeader Header;
    std::string RecoveryCode;
    std::future<std::pair<Bytes, Bytes>> WrappedKeys;

    void PutWrappedKeys() {
        std::tie(Header.PasswordSlot.WrappedKey, Header.RecoverySlot.WrappedKey) = WrappedKeys.get();
    }
};
TNewLockerKeys DrawNewLockerKeys(const std::string& password);

// Which slot opened a locker.
enum class OpenedSlot { None, Password, Recovery };
struct TOpenedLocker {
    OpenedSlot Slot = OpenedSlot::None;
    Bytes MasterKey;   // wiped by the caller
    Bytes PayloadSeal; // of the authenticated payload, when a seal key was given
};
// The password slot, then the recovery slot with the same secret. With a
// seal key, the pass that authenticates the payload also seals it.
TOpenedLocker OpenLockerWithSecret(LockerStream& stream, const TLockerHeader& header, const std::string& secret,
                                   const Bytes* sealKey = nullptr);

// Wipes the listed key buffers when the scope ends, on every path.
class WipeOnExit {
public:
    WipeOnExit(std::initializer_list<Bytes*> keys) : FKeys(keys) {}
    ~WipeOnExit() {
        for (Bytes* key : FKeys)
            SecureWipe(*key);
    }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    std::vector<Bytes*> FKeys;
};

} // namespace vk
