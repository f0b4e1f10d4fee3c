#include "locker/LockerStreams.h"

#include "locker/ChunkPipeline.h"
#include "locker/LockerFormat.h"
#include "locker/TAesCtrTransform.h"
#include "locker/THmacSha256.h"
#include "locker/TPayloadSeal.h"
#include "platform/Error.h"

#include <algorithm>
#include <cstring>

namespace vk {

namespace {

const char* const StreamReadError = "Stream read error";

template <typename T> void StoreLittleEndian(std::uint8_t* out, T value) {
    auto bits = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

template <typename T> T LoadLittleEndian(const std::uint8_t* in) {
    std::make_unsigned_t<T> bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bits |= static_cast<std::make_unsigned_t<T>>(static_cast<std::make_unsigned_t<T>>(in[i]) << (8 * i));
    return static_cast<T>(bits);
}

// A length read from the file is refused before anything is allocated when
// the file cannot hold that many more bytes.
void RequireRemaining(LockerStream& stream, std::int64_t count) {
    if (count > stream.Size() - stream.Position())
        throw Error(StreamReadError);
}

} // namespace

void ReadExactly(LockerStream& stream, void* buffer, std::size_t count) {
    if (count > 0 && stream.Read(buffer, count) != count)
        throw Error(StreamReadError);
}

void WriteBytes(LockerStream& stream, const Bytes& bytes) {
    if (!bytes.empty())
        stream.Write(bytes.data(), bytes.size());
}

Bytes ReadBytes(LockerStream& stream, std::int32_t count) {
    if (count < 0)
        throw Error("Invalid byte count.");
    RequireRemaining(stream, count);
    Bytes bytes(static_cast<std::size_t>(count));
    ReadExactly(stream, bytes.data(), bytes.size());
    return bytes;
}

void WriteInt32(LockerStream& stream, std::int32_t value) {
    std::uint8_t raw[4];
    StoreLittleEndian(raw, value);
    stream.Write(raw, sizeof raw);
}

void WriteInt64(LockerStream& stream, std::int64_t value) {
    std::uint8_t raw[8];
    StoreLittleEndian(raw, value);
    stream.Write(raw, sizeof raw);
}

std::int32_t ReadInt32(LockerStream& stream) {
    std::uint8_t raw[4];
    ReadExactly(stream, raw, sizeof raw);
    return LoadLittleEndian<std::int32_t>(raw);
}

std::int64_t ReadInt64(LockerStream& stream) {
    std::uint8_t raw[8];
    ReadExactly(stream, raw, sizeof raw);
    return LoadLittleEndian<std::int64_t>(raw);
}

void WritePlainString(LockerStream& stream, const std::string& text) {
    WriteInt32(stream, static_cast<std::int32_t>(text.size()));
    if (!text.empty())
        stream.Write(text.data(), text.size());
}

std::string ReadPlainString(LockerStream& stream) {
    const std::int32_t length = ReadInt32(stream);
    if (length < 0)
        throw Error("Invalid string length.");
    RequireRemaining(stream, length);
    std::string text(static_cast<std::size_t>(length), '\0');
    ReadExactly(stream, text.data(), text.size());
    return text;
}

void WriteEncrypted(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, void* buffer, std::int32_t count) {
    if (count <= 0)
        return;
    aes.Transform(buffer, count);
    stream.Write(buffer, static_cast<std::size_t>(count));
    mac.Update(buffer, count);
}

void ReadDecrypted(LockerStream& stream, TAesCtrTransform& aes, void* buffer, std::int32_t count) {
    if (count <= 0)
        return;
    ReadExactly(stream, buffer, static_cast<std::size_t>(count));
    aes.Transform(buffer, count);
}

void WriteEncryptedByte(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, std::uint8_t value) {
    WriteEncrypted(stream, mac, aes, &value, 1);
}

void WriteEncryptedInt32(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, std::int32_t value) {
    std::uint8_t raw[4];
    StoreLittleEndian(raw, value);
    WriteEncrypted(stream, mac, aes, raw, sizeof raw);
}

void WriteEncryptedInt64(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, std::int64_t value) {
    std::uint8_t raw[8];
    StoreLittleEndian(raw, value);
    WriteEncrypted(stream, mac, aes, raw, sizeof raw);
}

void WriteEncryptedString(LockerStream& stream, THmacSha256& mac, TAesCtrTransform& aes, const std::string& text) {
    WriteEncryptedInt32(stream, mac, aes, static_cast<std::int32_t>(text.size()));
    if (!text.empty()) {
        std::string copy = text; // encrypted in place
        WriteEncrypted(stream, mac, aes, copy.data(), static_cast<std::int32_t>(copy.size()));
    }
}

std::uint8_t ReadDecryptedByte(LockerStream& stream, TAesCtrTransform& aes) {
    std::uint8_t value = 0;
    ReadDecrypted(stream, aes, &value, 1);
    return value;
}

std::int32_t ReadDecryptedInt32(LockerStream& stream, TAesCtrTransform& aes) {
    std::uint8_t raw[4];
    ReadDecrypted(stream, aes, raw, sizeof raw);
    return LoadLittleEndian<std::int32_t>(raw);
}

std::int64_t ReadDecryptedInt64(LockerStream& stream, TAesCtrTransform& aes) {
    std::uint8_t raw[8];
    ReadDecrypted(stream, aes, raw, sizeof raw);
    return LoadLittleEndian<std::int64_t>(raw);
}

std::string ReadDecryptedString(LockerStream& stream, TAesCtrTransform& aes) {
    const std::int32_t length = ReadDecryptedInt32(stream, aes);
    if (length < 0)
        throw Error("Invalid encrypted string length.");
    RequireRemaining(stream, length);
    std::string text(static_cast<std::size_t>(length), '\0');
    ReadDecrypted(stream, aes, text.data(), length);
    return text;
}

Bytes ComputePayloadMac(LockerStream& stream, std::int64_t start, std::int64_t length, const Bytes& macKey,
                        const Bytes& nonce, TPayloadSeal* seal) {
    THmacSha256 mac(macKey);
    mac.UpdateBytes(nonce);
    stream.Seek(start);
    // The next chunk is read while the MAC takes in the one before.
    std::vector<TChunkPipeline::Stage> stages{
        [&mac](const std::uint8_t* data, std::size_t size) { mac.Update(data, static_cast<std::int32_t>(size)); }};
    if (seal != nullptr)
        stages.push_back([seal](const std::uint8_t* data, std::size_t size) { seal->Update(data, size); });
    TChunkPipeline pipeline(std::move(stages));
    for (std::int64_t remaining = length; remaining > 0;) {
        const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(remaining, ChunkSize));
        std::uint8_t* chunk = pipeline.Current();
        ReadExactly(stream, chunk, piece);
        pipeline.Publish(piece);
        remaining -= static_cast<std::int64_t>(piece);
    }
    pipeline.Finish();
    return mac.FinalBytes();
}

std::int64_t EncodedStringSize(const std::string& text) {
    return 4 + static_cast<std::int64_t>(text.size());
}

} // namespace vk
