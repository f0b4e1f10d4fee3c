#include "locker/LockerReader.h"

#include "locker/LockerFormat.h"
#include "platform/Error.h"

#include <algorithm>
#include <cstring>

namespace vk {

namespace {

constexpr std::size_t ReadAheadSize = 65536;
const char* const StreamReadError = "Stream read error";

} // namespace

TLockerReader::TLockerReader(platform::FileStream& stream, const Bytes& encKey, const Bytes& macKey, const Bytes& nonce,
                             std::int64_t payloadLength)
    : FStream(stream), FAes(encKey, nonce), FMac(macKey), FPayloadLength(payloadLength) {
    FMac.UpdateBytes(nonce);
    FStream.Seek(LockerHeaderSize);
    FAhead.reserve(ReadAheadSize);
}

TLockerReader::~TLockerReader() {
    SecureWipe(FAhead);
}

void TLockerReader::ReadCiphertext(std::uint8_t* out, std::size_t count) {
    if (static_cast<std::int64_t>(count) > Remaining())
        throw Error(StreamReadError);
    const std::size_t buffered = std::min(count, FAhead.size() - FAheadPos);
    std::memcpy(out, FAhead.data() + FAheadPos, buffered);
    FAheadPos += buffered;
    out += buffered;
    count -= buffered;
    if (count == 0)
        return;
    if (count >= ReadAheadSize) {
        if (FStream.Read(out, count) != count)
            throw Error(StreamReadError);
        FMac.Update(out, static_cast<std::int32_t>(count));
        FFetched += static_cast<std::int64_t>(count);
        return;
    }
    const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(ReadAheadSize, FPayloadLength - FFetched));
    FAhead.resize(wanted);
    const std::size_t got = FStream.Read(FAhead.data(), wanted);
    FAhead.resize(got);
    FMac.Update(FAhead.data(), static_cast<std::int32_t>(got));
    FFetched += static_cast<std::int64_t>(got);
    FAheadPos = 0;
    if (got < count)
        throw Error(StreamReadError);
    std::memcpy(out, FAhead.data(), count);
    FAheadPos = count;
}

bool TLockerReader::MacMatches(const Bytes& payloadMac) {
    FAhead.resize(ReadAheadSize);
    while (FFetched < FPayloadLength) {
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(ReadAheadSize, FPayloadLength - FFetched));
        if (FStream.Read(FAhead.data(), wanted) != wanted)
            throw Error(StreamReadError);
        FMac.Update(FAhead.data(), static_cast<std::int32_t>(wanted));
        FFetched += static_cast<std::int64_t>(wanted);
    }
    FAhead.clear();
    FAheadPos = 0;
    FConsumed = FPayloadLength;
    return ConstantTimeEquals(FMac.FinalBytes(), payloadMac);
}

void TLockerReader::Read(void* buffer, std::int64_t count) {
    if (count <= 0)
        return;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    ReadCiphertext(bytes, static_cast<std::size_t>(count));
    FConsumed += count;
    FAes.Transform(bytes, static_cast<std::int32_t>(count));
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
