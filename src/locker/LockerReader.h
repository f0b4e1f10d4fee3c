#pragma once

// Reads a locker's payload in order, decrypting as it goes. Small fields come
// from a read-ahead buffer, so a tree of many small entries costs few system
// calls; large content goes from the file straight into the caller's buffer.
// Nothing is ever read from beyond the authenticated payload, and every
// ciphertext byte read is added to a MAC of its own, so a locker that changed
// after its MAC was checked is noticed at the end.

#include "locker/TAesCtrTransform.h"
#include "locker/THmacSha256.h"
#include "platform/uPlatform.h"
#include "security/uSecurityUtils.h"

#include <cstdint>
#include <string>

namespace vk {

class TLockerReader {
public:
    // Starts at the first payload byte.
    TLockerReader(platform::FileStream& stream, const Bytes& encKey, const Bytes& macKey, const Bytes& nonce,
                  std::int64_t payloadLength);
    ~TLockerReader();
    TLockerReader(const TLockerReader&) = delete;
    TLockerReader& operator=(const TLockerReader&) = delete;

    // Exactly count decrypted bytes; "Stream read error" when the payload
    // or the file ends first.
    void Read(void* buffer, std::int64_t count);
    std::uint8_t ReadByte();
    std::int32_t ReadInt32();
    std::int64_t ReadInt64();
    // "Invalid encrypted string length." below 0.
    std::string ReadString();

    // Payload bytes consumed so far.
    std::int64_t Done() const { return FConsumed; }
    std::int64_t Remaining() const { return FPayloadLength - FConsumed; }

    // Reads what is left of the payload into the MAC and compares the MAC of
    // everything read with the stored one. Called once, at the end.
    bool MacMatches(const Bytes& payloadMac);

private:
    void ReadCiphertext(std::uint8_t* out, std::size_t count);

    platform::FileStream& FStream;
    TAesCtrTransform FAes;
    THmacSha256 FMac;
    std::int64_t FPayloadLength;
    std::int64_t FConsumed = 0; // payload bytes handed out
    std::int64_t FFetched = 0;  // payload bytes read from the file
    Bytes FAhead;               // ciphertext read ahead
    std::size_t FAheadPos = 0;
};

} // namespace vk
