#include "locker/LockerReader.h"

#include "locker/LockerFormat.h"
#include "platform/Error.h"

#include <algorithm>

namespace vk {

namespace {

const char* const StreamReadError = "Stream read error";

} // namespace

TLockerReader::TLockerReader(platform::FileStream& stream, const Bytes& encKey, const Bytes& sealKey,
                             const Bytes& nonce, std::int64_t payloadLength)
    : FStream(stream), FAes(encKey, nonce), FSeal(sealKey),
      FPipeline({[this](const std::uint8_t* data, std::size_t size) { FSeal.Update(data, size); }}),
      FPayloadLength(payloadLength) {
    FStream.Seek(LockerHeaderSize);
}

void TLockerReader::FetchChunk() {
    std::uint8_t* chunk = FPipeline.Current();
    const auto wanted = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(ChunkSize), FPayloadLength - FFetched));
    const std::size_t got = FStream.Read(chunk, wanted);
    if (got == 0)
        throw Error(StreamReadError);
    FPipeline.Publish(got);
    FFetched += static_cast<std::int64_t>(got);
    FChunk = chunk;
    FChunkSize = got;
    FChunkPos = 0;
}

bool TLockerReader::SealMatches(const Bytes& authenticatedSeal) {
    while (FFetched < FPayloadLength)
        FetchChunk();
    FChunkPos = FChunkSize;
    FPipeline.Finish();
    FConsumed = FPayloadLength;
    return ConstantTimeEquals(FSeal.Final(), authenticatedSeal);
}

void TLockerReader::Read(void* buffer, std::int64_t count) {
    if (count <= 0)
        return;
    if (count > Remaining())
        throw Error(StreamReadError);
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        if (FChunkPos == FChunkSize)
            FetchChunk();
        const auto piece = static_cast<std::size_t>(std::min(count, static_cast<std::int64_t>(FChunkSize - FChunkPos)));
        FAes.Transform(FChunk + FChunkPos, out, static_cast<std::int32_t>(piece));
        FChunkPos += piece;
        FConsumed += static_cast<std::int64_t>(piece);
        out += piece;
        count -= static_cast<std::int64_t>(piece);
    }
}

std::uint8_t TLockerReader::ReadByte() {
    std::uint8_t value = 0;
    Read(&value, 1);
    return value;
}

std::int32_t TLockerReader::ReadInt32() {
    std::uint8_t raw[4];
    Read(raw, 4);
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | raw[i];
    return static_cast<std::int32_t>(bits);
}

std::int64_t TLockerReader::ReadInt64() {
    std::uint8_t raw[8];
    Read(raw, 8);
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | raw[i];
    return static_cast<std::int64_t>(bits);
}

std::string TLockerReader::ReadString() {
    const std::int32_t length = ReadInt32();
    if (length < 0)
        throw Error("Invalid encrypted string length.");
    // Refused before anything is allocated when the payload cannot hold it.
    if (length > Remaining())
        throw Error(StreamReadError);
    std::string text(static_cast<std::size_t>(length), '\0');
    Read(text.data(), length);
    return text;
}

} // namespace vk
