#include "locker/LockerEntryTable.h"
#include "locker/LockerFormat.h"
#include "locker/LockerPaths.h"
#include "locker/LockerStreams.h"
#include "locker/TAesCtrTransform.h"
#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "translation/translation.h"

namespace vk {

bool VerifyLocker(const std::string& lockerPath, const std::string& password, std::string& message) {
    message.clear();
    Bytes masterKey, encKey;
    WipeOnExit wipe{&masterKey, &encKey};
    try {
        const std::filesystem::path locker = platform::PathFromUtf8(lockerPath);
        if (!platform::FileExists(locker)) {
            message = TranslateText("Locker file does not exist.");
            return false;
        }
        platform::FileStream stream(locker, platform::FileStream::Mode::Read);
        // Only the password slot is tried; the recovery slot is not read.
        const TLockerHeader header = ReadLockerHeader(stream, RecoverySlotReading::Skip);
        auto key = TryOpenSlot(stream, header, header.PasswordSlot, password);
        if (!key) {
            message = TranslateText("Locker verification failed (MAC mismatch).");
            return false;
        }
        masterKey = std::move(*key);
        encKey = DeriveSubKey(masterKey, "enc");
        stream.Seek(LockerHeaderSize);
        TAesCtrTransform aes(encKey, header.Nonce);
        const std::string rootName = ReadDecryptedString(stream, aes);
        ReadDecryptedByte(stream, aes); // root is a folder: not checked
        const std::int32_t count = ReadDecryptedInt32(stream, aes);
        if (rootName.empty()) {
            message = TranslateText("Locker verification failed (empty root name).");
            return false;
        }
        CheckRootName(rootName);
        if (count < 0) {
            message = TranslateText("Locker verification failed (invalid entry count).");
            return false;
        }
        // The entry table must be one that extraction accepts.
        ReadEntryTable(stream, encKey, header);
        return true;
    } catch (const std::exception& e) {
        message = e.what();
        return false;
    }
}

} // namespace vk
