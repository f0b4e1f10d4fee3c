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

// An interrupted restore or import that the leftovers' settling finished.
TProtectOutcome Finished(const fs::path& item) {
    TProtectOutcome outcome;
    outcome.Success = true;
    outcome.ItemPath = platform::Utf8FromPath(item);
    return outcome;
}

} // namespace

TProtectOutcome RestoreItem(const std::string& itemPath, const std::string& password, bool /*strongHide*/,
                            const TProtectCallbacks& callbacks) {
    if (password.empty())
        return Failed(TranslateText("General password is not set."));
    return Guarded([&] {
        const fs::path item = platform::FullPath(platform::PathFromUtf8(itemPath));
        const fs::path locker = fs::path(item) += LockerExtension;
        if (SettleLeftovers(item, locker) && !platform::FileExists(locker))
            return Finished(item);
        if (!platform::FileExists(locker))
            return FailedWith("Locker file not found: ", platform::Utf8FromPath(locker));
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
        const fs::path locker = platform::FullPath(platform::PathFromUtf8(lockerPath));
        const std::string name = platform::Utf8FromPath(locker.filename());
        if (!IsLockerFileName(name) || name.size() <= std::string(LockerExtension).size())
            return Failed(TranslateText("Please select a valid .vklocker file."));
        const fs::path item = locker.parent_path() / locker.stem();
        if (SettleLeftovers(item, locker) && !platform::FileExists(locker))
            return Finished(item);
        TPlacement placement;
        placement.Locker = locker;
        placement.Item = item;
        return PlaceFromLocker(placement, secret, callbacks);
    });
}

TProtectOutcome ExtractWithoutReplacing(const std::string& lockerPath, const std::string& targetFolder,
                                        const std::string& secret, const TProtectCallbacks& callbacks) {
    return Guarded([&] {
        const fs::path locker = platform::FullPath(platform::PathFromUtf8(lockerPath));
        const fs::path folder = platform::FullPath(platform::PathFromUtf8(targetFolder));
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
