// Restore, import and extraction: the three ways a locker's item comes back,
// each through a private staging folder and one rename into a free name.

#include "locker/LockerText.h"
#include "platform/Error.h"
#include "protect/Outcome.h"
#include "protect/PlaceFromLocker.h"
#include "protect/uProtect.h"
#include "translation/translation.h"

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
TProtectOutcome Finished(const fs::path& item, const TSettled& settled) {
    TProtectOutcome outcome = Reporting(Ended(TProtectEnd::Restored), settled.LeftAlone);
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
        const TSettled settled = SettleLeftovers(item, locker, TSettling::Restore, callbacks.Discard);
        if (settled.FinishedRestore)
            return Finished(item, settled);
        if (!platform::FileExists(locker) && AnythingAt(item)) {
            TProtectOutcome outcome = Reporting(Ended(TProtectEnd::NothingChanged), settled.LeftAlone);
            outcome.Skipped = false; // no conflict was asked about
            outcome.MessageText =
                TranslateFormat("Nothing to restore: %s is in place and has no locker.", platform::Utf8FromPath(item));
            outcome.ItemPath = platform::Utf8FromPath(item);
            return outcome;
        }
        if (!platform::FileExists(locker))
            return FailedWith("Locker file not found: ", platform::Utf8FromPath(locker));
        CreateFolders(item.parent_path());
        TPlacement placement;
        placement.Locker = locker;
        placement.Item = item;
        placement.WhenTaken = TWhenTaken::Ask;
        return Reporting(PlaceFromLocker(placement, password, callbacks), settled.LeftAlone);
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
        const TSettled settled = SettleLeftovers(item, locker, TSettling::Restore, callbacks.Discard);
        if (settled.FinishedRestore)
            return Finished(item, settled);
        TPlacement placement;
        placement.Locker = locker;
        placement.Item = item;
        return Reporting(PlaceFromLocker(placement, secret, callbacks), settled.LeftAlone);
    });
}

TProtectOutcome ExtractWithoutReplacing(const std::string& lockerPath, const std::string& targetFolder,
                                        const std::string& secret, const TProtectCallbacks& callbacks) {
    return Guarded([&] {
        const fs::path locker = platform::FullPath(platform::PathFromUtf8(lockerPath));
        const fs::path folder = platform::FullPath(platform::PathFromUtf8(targetFolder));
        // Only this locker's leftovers beside the target item: their notes
        // are proven by this locker alone, and an extraction deletes no locker.
        const TSettled settled = SettleLeftovers(folder / locker.stem(), locker, TSettling::Extract);
        CreateFolders(folder);
        TPlacement placement;
        placement.Locker = locker;
        placement.Folder = folder;
        placement.DeleteLocker = false;
        return Reporting(PlaceFromLocker(placement, secret, callbacks), settled.LeftAlone);
    });
}

} // namespace vk
