#include "locker/LockerFormat.h"

#include "locker/TPayloadSeal.h"
#include "locker/uLocker.h"
#include "platform/Error.h"
#include "translation/translation.h"

#include <optional>

namespace vk {

namespace {

void WriteSlot(LockerStream& stream, const TLockerKeySlot& slot) {
    WriteInt32(stream, slot.Iterations);
    WriteBytes(stream, slot.Salt);
    WriteBytes(stream, slot.WrappedKey);
}

TLockerKeySlot ReadSlot(LockerStream& stream) {
    TLockerKeySlot slot;
    slot.Iterations = ReadInt32(stream);
    slot.Salt = ReadBytes(stream, LockerSaltLength);
    slot.WrappedKey = ReadBytes(stream, LockerKeyLength);
    return slot;
}

Bytes Xor(const Bytes& a, const Bytes& b) {
    Bytes out(a.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        out[i] = static_cast<std::uint8_t>(a[i] ^ b[i]);
    return out;
}

} // namespace

void WriteLockerHeader(LockerStream& stream, const TLockerHeader& header) {
    WritePlainString(stream, LockerMagic);
    WriteInt32(stream, LockerVersion);
    WriteSlot(stream, header.PasswordSlot);
    WriteSlot(stream, header.RecoverySlot);
    WriteBytes(stream, header.Nonce);
    WriteBytes(stream, header.PayloadMac);
    WriteInt64(stream, header.PayloadLength);
}

TLockerHeader ReadLockerHeader(LockerStream& stream, RecoverySlotReading recovery) {
    stream.Seek(0);
    if (ReadPlainString(stream) != LockerMagic)
        throw Error(TranslateText("Invalid locker file."));
    if (ReadInt32(stream) != LockerVersion)
        throw Error(TranslateText("Unsupported locker version."));
    TLockerHeader header;
    header.PasswordSlot = ReadSlot(stream);
    if (recovery == RecoverySlotReading::Read)
        header.RecoverySlot = ReadSlot(stream);
    else
        stream.Seek(stream.Position() + 4 + LockerSaltLength + LockerKeyLength);
    header.Nonce = ReadBytes(stream, LockerNonceLength);
    header.PayloadMac = ReadBytes(stream, LockerMacLength);
    header.PayloadLength = ReadInt64(stream);
    if (header.PayloadLength < 0)
        throw Error(TranslateText("Invalid locker payload length."));
    // A payload the file cannot hold would end in a short read during the MAC
    // pass; say so before spending a key derivation on it.
    if (header.PayloadLength > stream.Size() - stream.Position())
        throw Error("Stream read error");
    return header;
}

Bytes DeriveSubKey(const Bytes& masterKey, const char* label) {
    return HmacSha256(masterKey, Utf8Bytes(label));
}

Bytes WrapMasterKey(const Bytes& masterKey, const std::string& secret, const Bytes& salt, std::int32_t iterations) {
    Bytes kek = Pbkdf2Sha256(secret, salt, iterations, LockerKeyLength);
    WipeOnExit wipe{&kek};
    return Xor(masterKey, kek);
}

std::optional<Bytes> TryOpenSlot(LockerStream& stream, const TLockerHeader& header, const TLockerKeySlot& slot,
                                 const std::string& secret, const Bytes* sealKey, Bytes* seal) {
    if (slot.Iterations > MaxAcceptedIterations)
        throw Error(TranslateText("Invalid locker iteration count."));
    // Unwrapping is the same XOR as wrapping.
    Bytes candidate = WrapMasterKey(slot.WrappedKey, secret, slot.Salt, slot.Iterations);
    Bytes macKey = DeriveSubKey(candidate, "mac");
    WipeOnExit wipe{&macKey};
    std::optional<TPayloadSeal> sealing;
    if (sealKey != nullptr)
        sealing.emplace(*sealKey);
    const Bytes computed = ComputePayloadMac(stream, LockerHeaderSize, header.PayloadLength, macKey, header.Nonce,
                                             sealing ? &*sealing : nullptr);
    if (ConstantTimeEquals(computed, header.PayloadMac)) {
        if (sealing && seal != nullptr)
            *seal = sealing->Final();
        return candidate;
    }
    SecureWipe(candidate);
    return std::nullopt;
}

TNewLockerKeys DrawNewLockerKeys(const std::string& password) {
    TNewLockerKeys keys;
    keys.MasterKey = RandomBytes(LockerKeyLength);
    keys.Header.PasswordSlot = {LockerIterations, RandomBytes(LockerSaltLength), {}};
    keys.Header.RecoverySlot = {LockerIterations, RandomBytes(LockerSaltLength), {}};
    keys.Header.Nonce = RandomBytes(LockerNonceLength);
    keys.RecoveryCode = GenerateRecoveryCode();
    // The thread keeps copies of its own, wiped when it is done.
    keys.WrappedKeys =
        std::async(std::launch::async, [masterKey = keys.MasterKey, password = std::string(password),
                                        recoveryCode = keys.RecoveryCode, passwordSlot = keys.Header.PasswordSlot,
                                        recoverySlot = keys.Header.RecoverySlot]() mutable {
            std::pair wrapped{WrapMasterKey(masterKey, password, passwordSlot.Salt, passwordSlot.Iterations),
                              WrapMasterKey(masterKey, recoveryCode, recoverySlot.Salt, recoverySlot.Iterations)};
            SecureWipe(masterKey);
            SecureWipe(password);
            SecureWipe(recoveryCode);
            return wrapped;
        });
    return keys;
}

TOpenedLocker OpenLockerWithSecret(LockerStream& stream, const TLockerHeader& header, const std::string& secret,
                                   const Bytes* sealKey) {
    TOpenedLocker opened;
    if (auto key = TryOpenSlot(stream, header, header.PasswordSlot, secret, sealKey, &opened.PayloadSeal)) {
        opened.Slot = OpenedSlot::Password;
        opened.MasterKey = std::move(*key);
    } else if (auto recoveryKey =
                   TryOpenSlot(stream, header, header.RecoverySlot, secret, sealKey, &opened.PayloadSeal)) {
        opened.Slot = OpenedSlot::Recovery;
        opened.MasterKey = std::move(*recoveryKey);
    }
    return opened;
}

} // namespace vk
