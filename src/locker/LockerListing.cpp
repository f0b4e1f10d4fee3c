#include "locker/LockerListing.h"

#include "locker/LockerEntryTable.h"
#include "locker/LockerFormat.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "translation/translation.h"

namespace vk {

TLockerListing ListLocker(const std::string& lockerPath, const std::string& secret) {
    const std::filesystem::path locker = platform::PathFromUtf8(lockerPath);
    if (!platform::FileExists(locker))
        throw Error(TranslateText("Locker file does not exist."));
    platform::FileStream stream(locker, platform::FileStream::Mode::Read);
    const TLockerHeader header = ReadLockerHeader(stream, RecoverySlotReading::Read);

    TOpenedLocker opened = OpenLockerWithSecret(stream, header, secret);
    Bytes encKey;
    WipeOnExit wipe{&opened.MasterKey, &encKey};
    if (opened.Slot == OpenedSlot::None)
        throw Error(TranslateText("Invalid password or recovery code."));

    TLockerListing listing;
    listing.OpenedWithRecoveryCode = opened.Slot == OpenedSlot::Recovery;
    encKey = DeriveSubKey(opened.MasterKey, "enc");
    TEntryTable table = ReadEntryTable(stream, encKey, header);
    listing.RootName = std::move(table.RootName);
    listing.RootIsFolder = table.RootIsFolder;
    listing.Entries = std::move(table.Entries);
    return listing;
}

} // namespace vk
