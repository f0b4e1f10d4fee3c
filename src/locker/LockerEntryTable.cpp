#include "locker/LockerEntryTable.h"

#include "locker/LockerPaths.h"
#include "locker/LockerStreams.h"
#include "locker/TAesCtrTransform.h"
#include "platform/Error.h"

#include <memory>

namespace vk {

namespace {

constexpr std::int64_t AesBlockSize = 16;

// The counter block for a keystream offset: the nonce plus the number of whole
// blocks before it, added as one 128-bit big-endian number.
Bytes CounterBlockAt(const Bytes& nonce, std::int64_t offset) {
    Bytes block = nonce;
    auto carry = static_cast<std::uint64_t>(offset / AesBlockSize);
    for (auto byte = block.rbegin(); byte != block.rend() && carry != 0; ++byte) {
        const std::uint64_t sum = *byte + (carry & 0xff);
        *byte = static_cast<std::uint8_t>(sum);
        carry = (carry >> 8) + (sum >> 8);
    }
    return block;
}

// Reads the payload's fields in order and skips file contents by moving both
// the file position and the keystream past them.
class TEntryTableReader {
public:
    TEntryTableReader(platform::FileStream& stream, const Bytes& encKey, const TLockerHeader& header)
        : FStream(stream), FEncKey(encKey), FNonce(header.Nonce), FPayloadEnd(LockerHeaderSize + header.PayloadLength) {
        FStream.Seek(LockerHeaderSize);
        FAes = std::make_unique<TAesCtrTransform>(FEncKey, FNonce);
    }

    std::string ReadString() { return Checked(ReadDecryptedString(FStream, *FAes)); }
    bool ReadBool() { return Checked(ReadDecryptedByte(FStream, *FAes)) != 0; }
    std::int32_t ReadInt32() { return Checked(ReadDecryptedInt32(FStream, *FAes)); }
    std::int64_t ReadInt64() { return Checked(ReadDecryptedInt64(FStream, *FAes)); }

    void Skip(std::int64_t count) {
        if (count == 0)
            return;
        if (count > FPayloadEnd - FStream.Position())
            throw Error("Stream read error");
        const std::int64_t position = FStream.Position() + count;
        FStream.Seek(position);
        const std::int64_t offset = position - LockerHeaderSize;
        FAes = std::make_unique<TAesCtrTransform>(FEncKey, CounterBlockAt(FNonce, offset));
        std::uint8_t discard[AesBlockSize] = {};
        FAes->Transform(discard, static_cast<std::int32_t>(offset % AesBlockSize));
    }

private:
    // Fields must lie inside the authenticated payload, never in bytes that
    // may follow it.
    template <typename T> T Checked(T value) const {
        if (FStream.Position() > FPayloadEnd)
            throw Error("Stream read error");
        return value;
    }

    platform::FileStream& FStream;
    const Bytes& FEncKey;
    const Bytes& FNonce;
    std::int64_t FPayloadEnd;
    std::unique_ptr<TAesCtrTransform> FAes;
};

} // namespace

TEntryTable ReadEntryTable(platform::FileStream& stream, const Bytes& encKey, const TLockerHeader& header) {
    TEntryTableReader reader(stream, encKey, header);
    TEntryTable table;
    table.RootName = reader.ReadString();
    table.RootIsFolder = reader.ReadBool();
    const std::int32_t count = reader.ReadInt32();
    const std::int64_t rootHeader = EncodedStringSize(table.RootName) + 5;
    TEntryTableRule rule(table.RootName, table.RootIsFolder, count, header.PayloadLength - rootHeader);
    for (std::int32_t i = 0; i < count; ++i) {
        TEntryInfo entry;
        entry.RelativePath = reader.ReadString();
        entry.IsDir = reader.ReadBool();
        entry.Attr = reader.ReadInt32();
        entry.Size = reader.ReadInt64();
        rule.Check(entry);
        if (!entry.IsDir)
            reader.Skip(entry.Size);
        table.Entries.push_back(std::move(entry));
    }
    rule.Finish();
    return table;
}

} // namespace vk
