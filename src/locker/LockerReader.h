#pragma once

// Reads a locker's payload in order, decrypting as it goes. The ciphertext is
// read a chunk at a time into the pipeline, whose stage adds every byte to a
// seal on another thread while the caller decrypts and writes; compared with
// the seal of the pass that checked the MAC, it shows at the end whether the
// locker changed after its MAC was checked. Small
// fields come from the chunk, so a tree of many small entries costs few system
// calls. Nothing is ever read from beyond the authenticated payload.

#include "locker/ChunkPipeline.h"
#include "locker/TAesCtrTransform.h"
#include "locker/TPayloadSeal.h"
#include "platform/uPlatform.h"
#include "security/uSecurityUtils.h"

#include <cstdint>
#include <string>

namespace vk {

class TLockerReader {
public:
    // Starts at the first payload byte.
    TLockerReader(platform::FileStream& stream, const Bytes& encKey, const Bytes& sealKey, const Bytes& nonce,
                  std::int64_t payloadLength);
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

    // Reads what is left of the payload into the seal and compares the seal
    // of everything read with the one the MAC pass took. Called once, at the end.
    bool SealMatches(const Bytes& authenticatedSeal);

private:
    // Reads the next chunk of ciphertext and passes it to the MAC.
    void FetchChunk();

    platform::FileStream& FStream;
    TAesCtrTransform FAes;
    TPayloadSeal FSeal;
    TChunkPipeline FPipeline; // after the seal: its stage uses it
    std::int64_t FPayloadLength;
    std::int64_t FConsumed = 0;           // payload bytes handed out
    std::int64_t FFetched = 0;            // payload bytes read from the file
    const std::uint8_t* FChunk = nullptr; // the ciphertext read last
    std::size_t FChunkSize = 0;
    std::size_t FChunkPos = 0;
};

} // namespace vk
