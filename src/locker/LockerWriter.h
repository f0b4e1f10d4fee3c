#pragma once

// Writes a locker's payload in order. Every byte is encrypted in place on the
// calling thread inside a chunk of the pipeline; the MAC and the file writer
// take each chunk on threads of their own, so reading the source, AES, HMAC
// and writing overlap. Small fields gather in the chunk, so a tree of many
// small files costs few system calls; file content is read straight into it.

#include "locker/ChunkPipeline.h"
#include "locker/TAesCtrTransform.h"
#include "locker/THmacSha256.h"
#include "platform/uPlatform.h"
#include "security/uSecurityUtils.h"

#include <cstdint>
#include <string>

namespace vk {

class TLockerWriter {
public:
    // Writes from the stream's position on: the first payload byte.
    TLockerWriter(platform::FileStream& stream, const Bytes& macKey, const Bytes& encKey, const Bytes& nonce);
    TLockerWriter(const TLockerWriter&) = delete;
    TLockerWriter& operator=(const TLockerWriter&) = delete;

    void Write(const void* data, std::size_t count);
    void WriteString(const std::string& text);
    void WriteByte(std::uint8_t value);
    void WriteInt32(std::int32_t value);
    void WriteInt64(std::int64_t value);

    // Room in the current chunk for the caller to fill directly: at least
    // one byte, size set to how many.
    std::uint8_t* Space(std::size_t& size);
    // The first count bytes of Space() are payload: encrypted and passed on.
    void Commit(std::size_t count);

    // Passes on the last chunk, waits until every byte is written and returns
    // the payload MAC. Raises a failure of the writing.
    Bytes Finish();
    // After a failure of the caller: waits for the chunks passed on, and
    // raises a failure of writing one of them instead, as it came first.
    void FinishAfterFailure();

    std::int64_t Written() const { return FWritten; }

private:
    void PassOn();

    THmacSha256 FMac;
    TAesCtrTransform FAes;
    TChunkPipeline FPipeline; // after the MAC: its stage uses it
    std::uint8_t* FChunk = nullptr;
    std::size_t FFill = 0;
    std::int64_t FWritten = 0;
};

} // namespace vk
