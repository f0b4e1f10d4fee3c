// Re-encryption of a locker under a new password, locker to locker: the old
// payload is read once, a chunk at a time; each chunk is decrypted and
// encrypted again in memory and only the new ciphertext is written. The old
// payload's MAC is computed in the same pass on a thread of its own, and the
// new locker counts only when it matched. The block of item times after the
// payload is carried over under the new master key when it authenticates.

#include "locker/ChunkPipeline.h"
#include "locker/LockerEntryTable.h"
#include "locker/LockerFormat.h"
#include "locker/LockerItemTimes.h"
#include "locker/LockerPaths.h"
#include "locker/LockerProgress.h"
#include "locker/LockerStreams.h"
#include "locker/LockerWriter.h"
#include "locker/TAesCtrTransform.h"
#include "locker/THmacSha256.h"
#include "locker/TPayloadSeal.h"
#include "locker/uLocker.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "translation/translation.h"

#include <algorithm>
#include <cstring>

namespace vk {

namespace fs = std::filesystem;

namespace {

// The longest root name a locker made on any system can hold (255 UTF-16
// units of three UTF-8 bytes each), with room to spare.
constexpr std::int32_t LongestRootName = 1024;

// Whether the payload, decrypted with a candidate master key, starts as a
// locker's payload does: a plain root name, a kind of 0 or 1 and, for a
// file, one entry. A wrong key passes this with a chance of about 2^-29;
// the MAC decides in the end. This lets a wrong secret be told at once and
// the right slot be chosen without a pass over the whole payload.
bool StartsLikePayload(LockerStream& stream, const TLockerHeader& header, const Bytes& masterKey) {
    Bytes encKey = DeriveSubKey(masterKey, "enc");
    WipeOnExit wipe{&encKey};
    TAesCtrTransform aes(encKey, header.Nonce);
    const std::int64_t wanted = std::min<std::int64_t>(header.PayloadLength, 4 + LongestRootName + 1 + 4);
    Bytes start(static_cast<std::size_t>(wanted));
    WipeOnExit wipeStart{&start};
    stream.Seek(LockerHeaderSize);
    ReadExactly(stream, start.data(), start.size());
    aes.Transform(start.data(), static_cast<std::int32_t>(start.size()));
    if (start.size() < 4)
        return false;
    std::int32_t length = 0;
    std::memcpy(&length, start.data(), 4);
    if (length < 1 || length > LongestRootName || static_cast<std::size_t>(length) + 9 > start.size())
        return false;
    const std::string rootName(reinterpret_cast<const char*>(start.data() + 4), static_cast<std::size_t>(length));
    const std::uint8_t kind = start[4 + static_cast<std::size_t>(length)];
    std::int32_t count = 0;
    std::memcpy(&count, start.data() + 5 + length, 4);
    return IsPlainRootName(rootName) && (kind == 1 ? count >= 0 : kind == 0 && count == 1);
}

// The candidate master key of a slot for the secret.
Bytes UnwrapSlot(const TLockerKeySlot& slot, const std::string& secret) {
    if (slot.Iterations > MaxAcceptedIterations)
        throw Error(TranslateText("Invalid locker iteration count."));
    return WrapMasterKey(slot.WrappedKey, secret, slot.Salt, slot.Iterations);
}

// Decrypts the old payload with oldKey and writes it again through the
// writer, sealing the new ciphertext; true when the old payload's MAC matched. Little-endian fields are
// copied as they are: only the keystream changes.
bool Reencrypt(LockerStream& old, const TLockerHeader& header, const Bytes& oldKey, TLockerWriter& writer,
               TPayloadSeal& written, const std::string& lockerPath, const TLockerProgressProc& progressProc,
               const TLockerCancelFunc& cancel) {
    Bytes encKey = DeriveSubKey(oldKey, "enc");
    Bytes macKey = DeriveSubKey(oldKey, "mac");
    WipeOnExit wipe{&encKey, &macKey};
    TAesCtrTransform aes(encKey, header.Nonce);
    THmacSha256 mac(macKey);
    mac.UpdateBytes(header.Nonce);
    TProgressThrottle progress(progressProc);
    progress.Reset();
    progress.Report(lockerPath, 0, header.PayloadLength);
    old.Seek(LockerHeaderSize);
    {
        // The old ciphertext goes to the MAC on its thread while this one
        // decrypts it into the writer's chunk, which encrypts it anew.
        TChunkPipeline reads({[&mac](const std::uint8_t* data, std::size_t size) {
            mac.Update(data, static_cast<std::int32_t>(size));
        }});
        try {
            for (std::int64_t done = 0; done < header.PayloadLength;) {
                CheckCancelled(cancel);
                const auto piece =
                    static_cast<std::size_t>(std::min<std::int64_t>(header.PayloadLength - done, ChunkSize));
                std::uint8_t* chunk = reads.Current();
                ReadExactly(old, chunk, piece);
                reads.Publish(piece);
                for (std::size_t taken = 0; taken < piece;) {
                    std::size_t room = 0;
                    std::uint8_t* space = writer.Space(room);
                    const std::size_t count = std::min(room, piece - taken);
                    aes.Transform(chunk + taken, space, static_cast<std::int32_t>(count));
                    writer.Commit(count);
                    written.Update(space, count); // encrypted in place, still ours until the next Space()
                    taken += count;
                }
                done += static_cast<std::int64_t>(piece);
                progress.ReportThrottled(lockerPath, done, header.PayloadLength);
            }
        } catch (...) {
            reads.Finish();
            throw;
        }
        reads.Finish();
    }
    return ConstantTimeEquals(mac.FinalBytes(), header.PayloadMac);
}

// The old locker's block of item times, read once its payload's MAC matched.
// The record count comes from the old entry table, so what is read and
// allocated is bounded by the payload; the block's MAC binds the count, the
// records and the payload MAC that just matched, so a file changed since the
// pass gives a Damaged block, never records of another payload. A locker
// that ends with its payload costs no read of its table.
TItemTimesBlock ReadOldItemTimes(LockerStream& old, const TLockerHeader& header, const Bytes& oldKey) {
    if (old.Size() <= LockerHeaderSize + header.PayloadLength)
        return {};
    Bytes encKey = DeriveSubKey(oldKey, "enc");
    WipeOnExit wipe{&encKey};
    const TEntryTable table = ReadEntryTable(old, encKey, header);
    return ReadItemTimes(old, oldKey, header, ItemTimesRecordCount(table));
}

[[noreturn]] void RaiseNotAsWritten() {
    throw Error(TranslateText("Locker verification failed: ") +
                TranslateText("the new locker does not read back as it was written."));
}

// The new locker as the disk gives it back: the header as written, a password
// slot that the new password opens to the master key, an entry table that
// extraction accepts, payload bytes with the seal of the ones written and,
// when times were written, a block of them that authenticates and holds them;
// nothing after that.
// The payload MAC was computed over exactly the bytes written, so equal seals
// prove that the MAC holds for the bytes on the disk too; the seal costs a
// fraction of a second MAC pass.
void CheckAsWritten(const fs::path& target, const TLockerHeader& written, const std::string& newPassword,
                    const Bytes& masterKey, const Bytes& sealKey, const Bytes& seal,
                    const std::vector<TItemTimes>* times) {
    platform::FileStream stream(target, platform::FileStream::Mode::Read);
    const TLockerHeader back = ReadLockerHeader(stream, RecoverySlotReading::Read);
    const auto sameSlot = [](const TLockerKeySlot& a, const TLockerKeySlot& b) {
        return a.Iterations == b.Iterations && a.Salt == b.Salt && a.WrappedKey == b.WrappedKey;
    };
    const auto timesSize = static_cast<std::int64_t>(times ? ItemTimesSize(times->size()) : 0);
    if (!sameSlot(back.PasswordSlot, written.PasswordSlot) || !sameSlot(back.RecoverySlot, written.RecoverySlot) ||
        back.Nonce != written.Nonce || back.PayloadMac != written.PayloadMac ||
        back.PayloadLength != written.PayloadLength ||
        stream.Size() != LockerHeaderSize + back.PayloadLength + timesSize)
        RaiseNotAsWritten(); // the header
    Bytes unwrapped = UnwrapSlot(back.PasswordSlot, newPassword);
    Bytes encKey = DeriveSubKey(masterKey, "enc");
    WipeOnExit wipe{&unwrapped, &encKey};
    if (!ConstantTimeEquals(unwrapped, masterKey))
        RaiseNotAsWritten(); // the password slot
    const TEntryTable table = ReadEntryTable(stream, encKey, back);
    if (times) {
        const TItemTimesBlock block = ReadItemTimes(stream, masterKey, back, ItemTimesRecordCount(table));
        if (block.State != ItemTimesState::Valid || block.Records != *times)
            RaiseNotAsWritten(); // the block of item times
    }
    TPayloadSeal reading(sealKey);
    Bytes buffer(ChunkSize);
    stream.Seek(LockerHeaderSize);
    for (std::int64_t remaining = back.PayloadLength; remaining > 0;) {
        const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(remaining, ChunkSize));
        ReadExactly(stream, buffer.data(), piece);
        reading.Update(buffer.data(), piece);
        remaining -= static_cast<std::int64_t>(piece);
    }
    if (!ConstantTimeEquals(reading.Final(), seal))
        RaiseNotAsWritten(); // the payload
}

} // namespace

bool LockerMayOpenWith(const std::string& lockerPath, const std::string& secret) {
    try {
        platform::FileStream stream(platform::PathFromUtf8(lockerPath), platform::FileStream::Mode::Read);
        const TLockerHeader header = ReadLockerHeader(stream, RecoverySlotReading::Read);
        for (const TLockerKeySlot* slot : {&header.PasswordSlot, &header.RecoverySlot}) {
            Bytes key = UnwrapSlot(*slot, secret);
            WipeOnExit wipe{&key};
            if (StartsLikePayload(stream, header, key))
                return true;
        }
    } catch (const std::exception&) {
    }
    return false;
}

TLockerResult RekeyLocker(const std::string& lockerPath, const std::string& newLockerPath, const std::string& oldSecret,
                          const std::string& newPassword, const TLockerProgressProc& progress,
                          const TLockerCancelFunc& cancel) {
    TLockerResult result;
    const fs::path locker = platform::PathFromUtf8(lockerPath);
    const fs::path target = platform::PathFromUtf8(newLockerPath);
    if (!platform::FileExists(locker)) {
        result.MessageText = TranslateText("Locker file does not exist.");
        return result;
    }
    if (newPassword.empty()) {
        result.MessageText = TranslateText("Locker password cannot be empty.");
        return result;
    }
    Bytes oldKey, masterKey, encKey, macKey;
    Bytes sealKey = RandomBytes(TPayloadSeal::KeyLength);
    WipeOnExit wipe{&oldKey, &masterKey, &encKey, &macKey, &sealKey};
    bool targetCreated = false;
    try {
        platform::FileStream old(locker, platform::FileStream::Mode::Read);
        const TLockerHeader oldHeader = ReadLockerHeader(old, RecoverySlotReading::Read);
        bool opened = false;
        bool mismatch = false;
        // The new slots' key derivations run on their own thread while this
        // one derives the old slot's key.
        TNewLockerKeys firstKeys = DrawNewLockerKeys(newPassword);
        WipeOnExit wipeFirst{&firstKeys.MasterKey};
        bool firstUsed = false;
        for (const TLockerKeySlot* slot : {&oldHeader.PasswordSlot, &oldHeader.RecoverySlot}) {
            oldKey = UnwrapSlot(*slot, oldSecret);
            if (!StartsLikePayload(old, oldHeader, oldKey)) {
                SecureWipe(oldKey);
                continue;
            }
            // A second attempt never reuses the first one's keys and nonce.
            TNewLockerKeys keys = firstUsed ? DrawNewLockerKeys(newPassword) : std::move(firstKeys);
            firstUsed = true;
            masterKey = std::move(keys.MasterKey);
            encKey = DeriveSubKey(masterKey, "enc");
            macKey = DeriveSubKey(masterKey, "mac");
            TLockerHeader& header = keys.Header;
            platform::FileStream stream(target, platform::FileStream::Mode::CreateNew);
            targetCreated = true;
            header.PasswordSlot.WrappedKey.assign(LockerKeyLength, 0);
            header.RecoverySlot.WrappedKey.assign(LockerKeyLength, 0);
            header.PayloadMac.assign(LockerMacLength, 0);
            WriteLockerHeader(stream, header);
            TLockerWriter writer(stream, macKey, encKey, header.Nonce);
            TPayloadSeal sealing(sealKey);
            bool matched = false;
            try {
                matched = Reencrypt(old, oldHeader, oldKey, writer, sealing, lockerPath, progress, cancel);
                header.PayloadMac = writer.Finish();
            } catch (...) {
                writer.FinishAfterFailure();
                throw;
            }
            if (!matched) {
                // Damaged, or a wrong key that happened to pass the first
                // check: the other slot may still open it.
                mismatch = true;
                stream.Close();
                platform::DeleteFile(target);
                targetCreated = false;
                SecureWipe(oldKey);
                continue;
            }
            // A damaged block is left behind: the items still open, with the
            // owner-only modes of a locker without one.
            const TItemTimesBlock times = ReadOldItemTimes(old, oldHeader, oldKey);
            const bool timesKept = times.State == ItemTimesState::Valid;
            if (timesKept)
                WriteItemTimes(stream, masterKey, header.PayloadMac, times.Records);
            header.PayloadLength = writer.Written();
            keys.PutWrappedKeys();
            stream.Seek(0);
            WriteLockerHeader(stream, header);
            stream.Close();
            CheckAsWritten(target, header, newPassword, masterKey, sealKey, sealing.Final(),
                           timesKept ? &times.Records : nullptr);
            result.RecoveryCode = keys.RecoveryCode;
            opened = true;
            break;
        }
        if (!opened) {
            result.SecretRefused = !mismatch;
            result.MessageText = mismatch ? TranslateText("Locker verification failed (MAC mismatch).")
                                          : TranslateText("Invalid password or recovery code.");
            return result;
        }
        result.Success = true;
        result.MessageText = TranslateText("Locker re-encrypted successfully.");
    } catch (const std::exception& e) {
        result = TLockerResult();
        result.MessageText = e.what();
    }
    // Only a file this call created is removed.
    if (!result.Success && targetCreated && platform::FileExists(target))
        platform::DeleteFile(target);
    return result;
}

} // namespace vk
