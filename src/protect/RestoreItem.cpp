// Restore, import and extraction: the three ways a locker's item comes back,
// each through a private staging folder and one rename into a free name.

#include "platform/Error.h"
#include "protect/Outcome.h"
#include "protect/PlaceFromLocker.h"
#include "protect/uProtect.h"

namespace vk {

using namespace protect;

namespace {

TProtectOutcome Guarded(const std::function<TProtectOutcome()>& work) {
    try {
        return work();
    } catch (const std::exception& error) {
        return Failed(error.what());
    }
}

} // namespace

TProtectOutcome RestoreItem(const std::string& itemPath, const std::string& password, bool /*strongHide*/,
                            const TProtectCallbacks& callbacks) {
    if (password.empty())
        return Failed(TranslateText("General password is not set."));
    return Guarded([&] {
        const fs::path item = platform::FullPath(itemPath);
        const fs::path locker = item.string() + LockerExtension;
        SettleLeftovers(item, locker);
        if (!platform::FileExists(locker))
            return FailedWith("Locker file not found: ", locker.string());
        CreateFolders(item.parent_path());
        TPlacement placement;
        placement.Locker = locker;
        placement.Item = item;
        placement.WhenTaken = TWhenTaken::Ask;
        return PlaceFromLocker(placement, password, callbacks);
    });
}

TProtectOutcome ImportLocker(const std::string& lockerPath, const std::string& secret,
                             const TProtectCallbacks& callbacks) {
    return Guarded([&] {
        const fs::path locker = platform::FullPath(lockerPath);
        const std::string name = locker.string();
        const std::size_t extension = std::string(LockerExtension).size();
        if (!IsLockerFileName(name) || locker.filename().string().size() <= extension)
            return Failed(TranslateText("Please select a valid .vklocker file."));
        const fs::path item = name.substr(0, name.size() - extension);
        SettleLeftovers(item, locker);
        TPlacement placement;
        placement.Locker = locker;
        placement.Item = item;
        return PlaceFromLocker(placement, secret, callbacks);
    });
}

TProtectOutcome ExtractWithoutReplacing(const std::string& lockerPath, const std::string& targetFolder,
                                        const std::string& secret, const TProtectCallbacks& callbacks) {
    return Guarded([&] {
        const fs::path locker = platform::FullPath(lockerPath);
        const fs::path folder = platform::FullPath(targetFolder);
        SettleLeftovers(folder / locker.stem(), locker);
        CreateFolders(folder);
        TPlacement placement;
        placement.Locker = locker;
        placement.Folder = folder;
        placement.DeleteLocker = false;
        return PlaceFromLocker(placement, secret, callbacks);
    });
}

} // namespace vk
