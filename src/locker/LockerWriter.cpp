#include "locker/LockerWriter.h"

#include <algorithm>
#include <cstring>

namespace vk {

TLockerWriter::TLockerWriter(platform::FileStream& stream, const Bytes& macKey, const Bytes& encKey, const Bytes& nonce)
    : FMac(macKey), FAes(encKey, nonce),
      FPipeline(
          {[this](const std::uint8_t* data, std::size_t size) { FMac.Update(data, static_cast<std::int32_t>(size)); },
           [&stream](const std::uint8_t* data, std::size_t size) { stream.Write(data, size); }}) {
    FMac.UpdateBytes(nonce);
}

std::uint8_t* TLockerWriter::Space(std::size_t& size) {
    if (FChunk == nullptr)
        FChunk = FPipeline.Current();
    size = ChunkSize - FFill;
    return FChunk + FFill;
}

void TLockerWriter::Commit(std::size_t count) {
    FAes.Transform(FChunk + FFill, static_cast<std::int32_t>(count));
    FFill += count;
    FWritten += static_cast<std::int64_t>(count);
    if (FFill == ChunkSize)
        PassOn();
}

void TLockerWriter::PassOn() {
    FPipeline.Publish(FFill);
    FChunk = nullptr;
    FFill = 0;
}

void TLockerWriter::Write(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (count > 0) {
        std::size_t room = 0;
        std::uint8_t* space = Space(room);
        const std::size_t piece = std::min(count, room);
        std::memcpy(space, bytes, piece);
        Commit(piece);
        bytes += piece;
        count -= piece;
    }
}

void TLockerWriter::WriteString(const std::string& text) {
    WriteInt32(static_cast<std::int32_t>(text.size()));
    Write(text.data(), text.size());
}

void TLockerWriter::WriteByte(std::uint8_t value) {
    Write(&value, 1);
}

void TLockerWriter::WriteInt32(std::int32_t value) {
    std::uint8_t raw[4];
    for (std::size_t i = 0; i < sizeof raw; ++i)
        raw[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    Write(raw, sizeof raw);
}

void TLockerWriter::WriteInt64(std::int64_t value) {
    std::uint8_t raw[8];
    for (std::size_t i = 0; i < sizeof raw; ++i)
        raw[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
    Write(raw, sizeof raw);
}

Bytes TLockerWriter::Finish() {
    if (FFill > 0)
        PassOn();
    FPipeline.Finish();
    return FMac.FinalBytes();
}

void TLockerWriter::FinishAfterFailure() {
    FPipeline.Finish();
}

} // namespace vk
