#include "locker/LockerItemTimes.h"

#include "locker/TAesCtrTransform.h"
#include "locker/THmacSha256.h"

#include <cstring>

namespace vk {

namespace {

constexpr char Magic[4] = {'V', 'K', 'I', 'T'};
constexpr std::int32_t Version = 1;
constexpr std::size_t FixedSize = 4 + 4 + 4 + LockerNonceLength; // before the records
constexpr std::size_t RecordSize = 16;
constexpr std::int32_t NoPermissions = -1;
constexpr const char* EncLabel = "times-enc";
constexpr const char* MacLabel = "times-mac";

void PutLittleEndian(std::uint8_t* out, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t GetLittleEndian(const std::uint8_t* in, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = (value << 8) | in[i];
    return value;
}

Bytes BlockMac(const Bytes& masterKey, const Bytes& payloadMac, const std::uint8_t* block, std::size_t size) {
    Bytes macKey = DeriveSubKey(masterKey, MacLabel);
    WipeOnExit wipe{&macKey};
    THmacSha256 mac(macKey);
    mac.UpdateBytes(payloadMac);
    mac.Update(block, static_cast<std::int32_t>(size));
    return mac.FinalBytes();
}

// Encrypts or decrypts the records in place.
void TransformRecords(const Bytes& masterKey, const Bytes& nonce, std::uint8_t* records, std::size_t size) {
    Bytes encKey = DeriveSubKey(masterKey, EncLabel);
    WipeOnExit wipe{&encKey};
    TAesCtrTransform aes(encKey, nonce);
    aes.Transform(records, static_cast<std::int32_t>(size));
}

} // namespace

std::size_t ItemTimesRecordCount(const TEntryTable& table) {
    return table.Entries.size() + (table.RootIsFolder ? 1 : 0);
}

std::uint64_t ItemTimesSize(std::size_t recordCount) {
    return FixedSize + RecordSize * recordCount + LockerMacLength;
}

void WriteItemTimes(platform::FileStream& stream, const Bytes& masterKey, const Bytes& payloadMac,
                    const std::vector<TItemTimes>& records) {
    Bytes block(FixedSize + RecordSize * records.size());
    std::memcpy(block.data(), Magic, sizeof Magic);
    PutLittleEndian(block.data() + 4, static_cast<std::uint32_t>(Version), 4);
    PutLittleEndian(block.data() + 8, static_cast<std::uint32_t>(records.size()), 4);
    const Bytes nonce = RandomBytes(LockerNonceLength);
    std::memcpy(block.data() + 12, nonce.data(), nonce.size());
    std::uint8_t* record = block.data() + FixedSize;
    for (const TItemTimes& item : records) {
        PutLittleEndian(record, static_cast<std::uint64_t>(item.ModifyTime.Seconds), 8);
        PutLittleEndian(record + 8, static_cast<std::uint32_t>(item.ModifyTime.Nanoseconds), 4);
        const std::int32_t permissions =
            item.Permissions ? static_cast<std::int32_t>(*item.Permissions & 0777) : NoPermissions;
        PutLittleEndian(record + 12, static_cast<std::uint32_t>(permissions), 4);
        record += RecordSize;
    }
    TransformRecords(masterKey, nonce, block.data() + FixedSize, RecordSize * records.size());
    const Bytes mac = BlockMac(masterKey, payloadMac, block.data(), block.size());
    block.insert(block.end(), mac.begin(), mac.end());
    stream.Write(block.data(), block.size());
}

TItemTimesBlock ReadItemTimes(platform::FileStream& stream, const Bytes& masterKey, const TLockerHeader& header,
                              std::size_t recordCount) {
    TItemTimesBlock result;
    const std::int64_t start = LockerHeaderSize + header.PayloadLength;
    const std::int64_t available = stream.Size() - start;
    if (available <= 0)
        return result;
    result.State = ItemTimesState::Damaged;
    // The count is checked against the table before its size is trusted, so
    // what is read and allocated is bounded by what the payload already holds.
    const auto size = static_cast<std::size_t>(ItemTimesSize(recordCount));
    if (static_cast<std::uint64_t>(available) < size)
        return result;
    Bytes block(size);
    stream.Seek(start);
    if (stream.Read(block.data(), block.size()) != block.size())
        return result;
    const std::size_t macOffset = size - LockerMacLength;
    if (std::memcmp(block.data(), Magic, sizeof Magic) != 0 ||
        static_cast<std::int32_t>(GetLittleEndian(block.data() + 4, 4)) != Version ||
        GetLittleEndian(block.data() + 8, 4) != recordCount)
        return result;
    const Bytes stored(block.begin() + static_cast<std::ptrdiff_t>(macOffset), block.end());
    if (!ConstantTimeEquals(BlockMac(masterKey, header.PayloadMac, block.data(), macOffset), stored))
        return result;

    const Bytes nonce(block.begin() + 12, block.begin() + static_cast<std::ptrdiff_t>(FixedSize));
    TransformRecords(masterKey, nonce, block.data() + FixedSize, RecordSize * recordCount);
    std::vector<TItemTimes> records(recordCount);
    const std::uint8_t* record = block.data() + FixedSize;
    for (TItemTimes& item : records) {
        item.ModifyTime.Seconds = static_cast<std::int64_t>(GetLittleEndian(record, 8));
        item.ModifyTime.Nanoseconds = static_cast<std::int32_t>(GetLittleEndian(record + 8, 4));
        const auto permissions = static_cast<std::int32_t>(GetLittleEndian(record + 12, 4));
        if (item.ModifyTime.Nanoseconds < 0 || item.ModifyTime.Nanoseconds > 999999999 ||
            (permissions != NoPermissions && (permissions & ~0777) != 0))
            return result;
        if (permissions != NoPermissions)
            item.Permissions = static_cast<std::uint32_t>(permissions);
        record += RecordSize;
    }
    result.State = ItemTimesState::Valid;
    result.Records = std::move(records);
    return result;
}

} // namespace vk
