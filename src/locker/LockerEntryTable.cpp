#include "locker/LockerEntryTable.h"

#include "locker/LockerPaths.h"
#include "locker/LockerStreams.h"
#include "locker/TAesCtrTransform.h"
#include "platform/Error.h"

#include <algorithm>
#include <cstring>

namespace vk {

namespace {

constexpr std::int64_t AesBlockSize = 16;
const char* const StreamReadError = "Stream read error";

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

// Reads the payload's fields in order through a read-ahead buffer and skips
// file contents by moving the position and the keystream past them, so a
// tree of many small entries costs few system calls. A field may be read from
// bytes that follow the payload; Checked refuses it once it is read.
class TEntryTableReader {
public:
    TEntryTableReader(platform::FileStream& stream, const Bytes& encKey, const TLockerHeader& header)
        : FStream(stream), FNonce(header.Nonce), FAes(encKey, header.Nonce), FPosition(LockerHeaderSize),
          FPayloadEnd(LockerHeaderSize + header.PayloadLength), FFileSize(stream.Size()) {
        FAhead.resize(ReadAheadSize);
    }

    std::string ReadString() {
        const std::int32_t length = LoadInt32();
        if (length < 0)
            throw Error("Invalid encrypted string length.");
        // Refused before anything is allocated when the file cannot hold it.
        if (length > FFileSize - FPosition)
            throw Error(StreamReadError);
        std::string text(static_cast<std::size_t>(length), '\0');
        ReadDecrypted(text.data(), text.size());
        return Checked(std::move(text));
    }
    bool ReadBool() {
        std::uint8_t value = 0;
        ReadDecrypted(&value, 1);
        return Checked(value) != 0;
    }
    std::int32_t ReadInt32() { return Checked(LoadInt32()); }
    std::int64_t ReadInt64() {
        std::uint8_t raw[8];
        ReadDecrypted(raw, sizeof raw);
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i)
            bits = (bits << 8) | raw[i];
        return Checked(static_cast<std::int64_t>(bits));
    }

    void Skip(std::int64_t count) {
        if (count == 0)
            return;
        if (count > FPayloadEnd - FPosition)
            throw Error(StreamReadError);
        FPosition += count;
        const std::int64_t offset = FPosition - LockerHeaderSize;
        FAes.Restart(CounterBlockAt(FNonce, offset));
        std::uint8_t discard[AesBlockSize] = {};
        FAes.Transform(discard, static_cast<std::int32_t>(offset % AesBlockSize));
    }

private:
    static constexpr std::size_t ReadAheadSize = 65536;

    std::int32_t LoadInt32() {
        std::uint8_t raw[4];
        ReadDecrypted(raw, sizeof raw);
        std::uint32_t bits = 0;
        for (int i = 3; i >= 0; --i)
            bits = (bits << 8) | raw[i];
        return static_cast<std::int32_t>(bits);
    }

    // Exactly count bytes from the position on, decrypted; "Stream read
    // error" when the file ends first.
    void ReadDecrypted(void* buffer, std::size_t count) {
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (std::size_t left = count; left > 0;) {
            if (FPosition < FAheadStart || FPosition >= FAheadStart + FAheadSize)
                FillAhead();
            const auto offset = static_cast<std::size_t>(FPosition - FAheadStart);
            const std::size_t piece = std::min(left, static_cast<std::size_t>(FAheadSize) - offset);
            std::memcpy(out, FAhead.data() + offset, piece);
            out += piece;
            left -= piece;
            FPosition += static_cast<std::int64_t>(piece);
        }
        FAes.Transform(buffer, static_cast<std::int32_t>(count));
    }

    void FillAhead() {
        FStream.Seek(FPosition);
        const std::size_t got = FStream.Read(FAhead.data(), FAhead.size());
        if (got == 0)
            throw Error(StreamReadError);
        FAheadStart = FPosition;
        FAheadSize = static_cast<std::int64_t>(got);
    }

    // Fields must lie inside the authenticated payload, never in bytes that
    // may follow it.
    template <typename T> T Checked(T value) const {
        if (FPosition > FPayloadEnd)
            throw Error(StreamReadError);
        return value;
    }

    platform::FileStream& FStream;
    const Bytes& FNonce;
    TAesCtrTransform FAes;
    std::int64_t FPosition;   // in the file
    std::int64_t FPayloadEnd; // in the file
    std::int64_t FFileSize;
    Bytes FAhead; // ciphertext from FAheadStart on
    std::int64_t FAheadStart = 0;
    std::int64_t FAheadSize = 0;
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
