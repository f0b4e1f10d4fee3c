// Hiding: the item is deleted only after a verified locker of it is durable
// under its final name, only after the item has left its name in one rename,
// and only when it still holds exactly what the locker stored.

#include "locker/LockerText.h"
#include "platform/Error.h"
#include "protect/Outcome.h"
#include "protect/ProtectSteps.h"
#include "protect/uProtect.h"

namespace vk {

using namespace protect;

namespace {

// Removes the locker of a hide that does not go on; what cannot be removed
// is added to the message, since the item and the locker both remain.
TProtectOutcome Withdrawn(const fs::path& locker, std::string message) {
    try {
        if (platform::FileExists(locker))
            DeleteLockerFile(locker);
    } catch (const std::exception& error) {
        message += "\n" + std::string(error.what());
    }
    return Failed(message);
}

// Writes the verified locker and makes it durable under its final name.
TProtectOutcome WriteLocker(const fs::path& item, const fs::path& locker, const std::string& password, bool strongHide,
                            const TProtectCallbacks& callbacks) {
    const fs::path temporary = locker.string() + ".tmp";
    if (platform::FileExists(temporary))
        platform::DeleteFile(temporary);
    const auto dropTemporary = [&](const std::string& message) {
        if (platform::FileExists(temporary))
            platform::DeleteFile(temporary);
        return Failed(message);
    };
    const TLockerResult created =
        CreateLocker(item.string(), temporary.string(), password, callbacks.Progress, callbacks.Cancel);
    if (!created.Success)
        return dropTemporary(created.MessageText);
    if (Cancelled(callbacks))
        return dropTemporary(CancelledText());
    std::string reason;
    if (!VerifyLocker(temporary.string(), password, reason))
        return dropTemporary(TranslateText("Locker verification failed: ") + reason);
    try {
        FlushFile(temporary);
        platform::RenameNoReplace(temporary, locker);
    } catch (const std::exception& error) {
        // A locker that appeared meanwhile is someone else's and stays.
        if (platform::FileExists(locker))
            return dropTemporary(TranslateText("Locker already exists: ") + locker.string());
        return dropTemporary(error.what());
    }
    try {
        platform::FlushFolder(locker.parent_path());
        const std::uint32_t hiding =
            platform::FILE_ATTRIBUTE_HIDDEN | (strongHide ? platform::FILE_ATTRIBUTE_SYSTEM : 0);
        if (!platform::SetFileAttributes(locker, platform::GetFileAttributes(locker) | hiding))
            throw Error(TranslateFormat("Path not found: %s", locker.string()));
    } catch (const std::exception& error) {
        return Withdrawn(locker, error.what());
    }
    TProtectOutcome outcome;
    outcome.Success = true;
    outcome.RecoveryCode = created.RecoveryCode;
    return outcome;
}

std::string ChangedEntry(const fs::path& item, const std::string& relative) {
    return TranslateText("The item changed while it was being hidden: ") +
           (relative.empty() ? item : item / relative).string();
}

} // namespace

TProtectOutcome HideItem(const std::string& itemPath, const std::string& password, bool strongHide,
                         const TProtectCallbacks& callbacks) {
    if (password.empty())
        return Failed(TranslateText("General password is not set."));
    try {
        const fs::path item = platform::FullPath(itemPath);
        const fs::path locker = item.string() + LockerExtension;
        SettleLeftovers(item, locker);
        if (platform::FileExists(locker))
            return FailedWith("Locker already exists: ", locker.string());
        platform::TItemStamp root;
        if (!platform::ReadItemStamp(item, root))
            return FailedWith("Path not found: ", item.string());
        if (root.Type == platform::TItemStamp::Kind::Link)
            return FailedWith("Cannot hide a link; hide the item it leads to instead: ", item.string());

        const TSnapshot stored = TakeSnapshot(item);
        TProtectOutcome outcome = WriteLocker(item, locker, password, strongHide, callbacks);
        if (!outcome.Success)
            return outcome;

        // The item leaves its name in one step; from here on nothing can
        // change it unseen but a program that already holds it open.
        if (const auto change = FirstChange(stored, TakeSnapshot(item), false))
            return Withdrawn(locker, ChangedEntry(item, *change));
        const fs::path staged = StagingPath(item, TStageKind::Hide);
        try {
            platform::RenameNoReplace(item, staged);
        } catch (const std::exception& error) {
            return Withdrawn(locker, error.what());
        }
        const auto change = FirstChange(stored, TakeSnapshot(staged), true);
        if (change) {
            try {
                platform::RenameNoReplace(staged, item);
            } catch (const std::exception& error) {
                // The next run on this path puts the item back.
                return Failed(ChangedEntry(item, *change) + "\n" + error.what());
            }
            return Withdrawn(locker, ChangedEntry(item, *change));
        }

        // Checked: only what the locker holds is deleted.
        const fs::path doomed = StagingPath(item, TStageKind::Delete);
        try {
            platform::RenameNoReplace(staged, doomed);
        } catch (const std::exception& error) {
            platform::RenameNoReplace(staged, item);
            return Withdrawn(locker, error.what());
        }
        std::string failed;
        if (!DeleteTree(doomed, failed))
            return Failed(TranslateText("The locker is in place, but part of the item could not be deleted: ") +
                          failed);
        try {
            platform::FlushFolder(item.parent_path());
        } catch (const std::exception&) {
            // the deletion is as durable as the folder makes it
        }
        return outcome;
    } catch (const std::exception& error) {
        return Failed(error.what());
    }
}

std::string LockerPathOf(const std::string& itemPath) {
    return platform::FullPath(itemPath).string() + LockerExtension;
}

} // namespace vk
