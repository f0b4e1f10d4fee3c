#include "locker/LockerBuilder.h"

#include "locker/LockerStreams.h"
#include "locker/TAesCtrTransform.h"
#include "locker/THmacSha256.h"

#include <algorithm>

namespace vk::test {

namespace {

// Counts a reader must refuse still need some wrapped key in their slot.
std::int32_t Derivable(std::int32_t iterations) {
    return std::clamp(iterations, 1, LockerIterations);
}

} // namespace

void CraftedLocker::WriteTo(const std::filesystem::path& path) const {
    const Bytes master = RandomBytes(LockerKeyLength);
    TLockerHeader header;
    header.PasswordSlot = {PasswordIterations, RandomBytes(16), {}};
    header.RecoverySlot = {RecoveryIterations, RandomBytes(16), {}};
    header.PasswordSlot.WrappedKey =
        WrapMasterKey(master, Password, header.PasswordSlot.Salt, Derivable(PasswordIterations));
    header.RecoverySlot.WrappedKey =
        WrapMasterKey(master, RecoveryCode, header.RecoverySlot.Salt, Derivable(RecoveryIterations));
    header.Nonce = RandomBytes(16);
    header.PayloadMac.assign(32, 0);

    platform::FileStream stream(path, platform::FileStream::Mode::Create);
    WritePlainString(stream, Magic);
    WriteInt32(stream, Version);
    for (const TLockerKeySlot* slot : {&header.PasswordSlot, &header.RecoverySlot}) {
        WriteInt32(stream, slot->Iterations);
        WriteBytes(stream, slot->Salt);
        WriteBytes(stream, slot->WrappedKey);
    }
    WriteBytes(stream, header.Nonce);
    WriteBytes(stream, header.PayloadMac);
    WriteInt64(stream, 0);

    THmacSha256 mac(DeriveSubKey(master, "mac"));
    TAesCtrTransform aes(DeriveSubKey(master, "enc"), header.Nonce);
    mac.UpdateBytes(header.Nonce);
    const std::int64_t start = stream.Position();
    WriteEncryptedString(stream, mac, aes, RootName);
    WriteEncryptedByte(stream, mac, aes, RootIsFolder ? 1 : 0);
    WriteEncryptedInt32(stream, mac, aes, EntryCount.value_or(static_cast<std::int32_t>(Entries.size())));
    for (const CraftedEntry& entry : Entries) {
        WriteEncryptedString(stream, mac, aes, entry.RelativePath);
        WriteEncryptedByte(stream, mac, aes, entry.IsDir ? 1 : 0);
        WriteEncryptedInt32(stream, mac, aes, entry.Attr);
        WriteEncryptedInt64(stream, mac, aes, entry.Size.value_or(static_cast<std::int64_t>(entry.Content.size())));
        std::string content = entry.Content;
        WriteEncrypted(stream, mac, aes, content.data(), static_cast<std::int32_t>(content.size()));
    }
    const std::int64_t length = stream.Position() - start;
    const Bytes payloadMac = mac.FinalBytes();
    stream.Seek(LockerMacOffset);
    WriteBytes(stream, payloadMac);
    WriteInt64(stream, length);
    stream.Close();
}

} // namespace vk::test
