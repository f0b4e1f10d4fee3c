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

// Removes the locker of a hide that does not go on, then its note; what
// cannot be removed is added to the message, since the item and the locker
// both remain.
TProtectOutcome Withdrawn(const fs::path& locker, std::string message, const fs::path& note = {}) {
    try {
        if (platform::FileExists(locker))
            DeleteLockerFile(locker);
        if (!note.empty()) {
            std::string failed;
            DeleteTree(note, failed);
        }
    } catch (const std::exception& error) {
        message += "\n" + std::string(error.what());
    }
    return Failed(message);
}

// Writes the locker under its temporary name, verifies it, makes it durable
// and gives it the hiding attributes, which move with it when it is renamed.
TProtectOutcome WriteLocker(const fs::path& item, const fs::path& temporary, const std::string& password,
                            bool strongHide, const TProtectCallbacks& callbacks) {
    const auto dropTemporary = [&](const std::string& message) { return Withdrawn(temporary, message); };
    const TLockerResult created = CreateLocker(platform::Utf8FromPath(item), platform::Utf8FromPath(temporary),
                                               password, callbacks.Progress, callbacks.Cancel);
    if (!created.Success)
        return dropTemporary(created.MessageText);
    if (Cancelled(callbacks))
        return dropTemporary(CancelledText());
    std::string reason;
    if (!VerifyLocker(platform::Utf8FromPath(temporary), password, reason))
        return dropTemporary(TranslateText("Locker verification failed: ") + reason);
    try {
        FlushFile(temporary);
        const std::uint32_t hiding =
            platform::FILE_ATTRIBUTE_HIDDEN | (strongHide ? platform::FILE_ATTRIBUTE_SYSTEM : 0);
        if (!platform::SetFileAttributes(temporary, platform::GetFileAttributes(temporary) | hiding))
            throw Error(
                TranslateFormat("Cannot hide the locker; the disk may be full: %s", platform::Utf8FromPath(temporary)));
    } catch (const std::exception& error) {
        return dropTemporary(error.what());
    }
    TProtectOutcome outcome = Ended(TProtectEnd::Hidden);
    outcome.RecoveryCode = created.RecoveryCode;
    return outcome;
}

std::string ChangedEntry(const fs::path& item, const std::string& relative) {
    return TranslateText("The item changed while it was being hidden: ") +
           platform::Utf8FromPath(relative.empty() ? item : item / platform::PathFromUtf8(relative));
}

// The item leaves its name in one step and is checked against what the
// locker stored; from then on nothing can change it unseen but a program
// that already holds it open. A kill in between leaves both, never neither.
TProtectOutcome DeleteHeldItem(const fs::path& item, const fs::path& locker, const TSnapshot& stored,
                               const fs::path& note, const TProtectOutcome& hidden) {
    const fs::path staged = StagingPath(item, TStageKind::Hide);
    try {
        platform::RenameNoReplace(item, staged);
    } catch (const std::exception& error) {
        return Withdrawn(locker, error.what(), note);
    }
    // Puts the item back and removes the new locker.
    const auto putBack = [&](const std::string& message) {
        try {
            platform::RenameNoReplace(staged, item);
        } catch (const std::exception& error) {
            // The locker stays: it opens, and the next run puts the item back.
            TProtectOutcome kept = Failed(message + "\n" + error.what(), platform::Utf8FromPath(staged));
            kept.RecoveryCode = hidden.RecoveryCode;
            return kept;
        }
        return Withdrawn(locker, message, note);
    };
    if (const auto change = FirstChange(stored, TakeSnapshot(staged), true))
        return putBack(ChangedEntry(item, *change));
    const fs::path doomed = StagingPath(item, TStageKind::Delete);
    try {
        platform::RenameNoReplace(staged, doomed);
    } catch (const std::exception& error) {
        return putBack(error.what());
    }
    std::string failed;
    if (!DeleteTree(doomed, failed)) {
        // The locker stays and opens: its code reaches the caller, and the
        // next run on this path retries the deletion (the note proves it).
        TProtectOutcome partly = Failed(
            TranslateText("The locker is in place, but part of the item could not be deleted: ") + failed, failed);
        partly.RecoveryCode = hidden.RecoveryCode;
        return partly;
    }
    try {
        platform::FlushFolder(item.parent_path());
    } catch (const std::exception&) {
        // the deletion is as durable as the folder makes it
    }
    DeleteTree(note, failed);
    return hidden;
}

// A hide killed after its locker took the final name left the item and the
// locker both: when the note shows that this locker holds the item as it
// still stands and the locker opens with the password, the hide goes on
// from there. Any other locker in the way stops the hide.
TProtectOutcome FinishInterruptedHide(const fs::path& item, const fs::path& locker, const std::string& password) {
    if (!AnythingAt(item)) {
        // Hidden already (an earlier run's deletion finished now or before):
        // done when the locker opens with the password.
        // A locker that does not open with this password is another's.
        std::string reason;
        if (!VerifyLocker(platform::Utf8FromPath(locker), password, reason))
            return FailedWith("Locker already exists: ", platform::Utf8FromPath(locker));
        return Ended(TProtectEnd::Hidden);
    }
    const std::optional<fs::path> note = FittingHeldNote(item, locker);
    if (!note)
        return FailedWith("Locker already exists: ", platform::Utf8FromPath(locker));
    std::string reason;
    if (!VerifyLocker(platform::Utf8FromPath(locker), password, reason))
        return Failed(TranslateText("Locker verification failed: ") + reason);
    // The recovery code was the first run's to show.
    return DeleteHeldItem(item, locker, TakeSnapshot(item), *note, Ended(TProtectEnd::Hidden));
}

} // namespace

TProtectOutcome HideItem(const std::string& itemPath, const std::string& password, bool strongHide,
                         const TProtectCallbacks& callbacks) {
    if (password.empty())
        return Failed(TranslateText("General password is not set."));
    try {
        const fs::path item = platform::FullPath(platform::PathFromUtf8(itemPath));
        const fs::path locker = fs::path(item) += LockerExtension;
        const TSettled settled = SettleLeftovers(item, locker, TSettling::Hide);
        if (!settled.FailedPath.empty())
            return Failed(TranslateText("The locker is in place, but part of the item could not be deleted: ") +
                              settled.FailedPath,
                          settled.FailedPath);
        if (platform::FileExists(locker))
            return Reporting(FinishInterruptedHide(item, locker, password), settled.LeftAlone);
        platform::TItemStamp root;
        if (!platform::ReadItemStamp(item, root))
            return FailedWith("Path not found: ", platform::Utf8FromPath(item));
        if (root.Type == platform::TItemStamp::Kind::Link)
            return FailedWith("Cannot hide a link; hide the item it leads to instead: ", platform::Utf8FromPath(item));

        const TSnapshot stored = TakeSnapshot(item);
        const fs::path temporary = platform::PathFromUtf8(TemporaryLockerPath(platform::Utf8FromPath(locker)));
        TProtectOutcome outcome = WriteLocker(item, temporary, password, strongHide, callbacks);
        if (!outcome.Success)
            return outcome;

        // The verified locker takes its name first, so from here on a locker
        // that opens is always in place; the note beside the item lets a
        // repeat after a kill tell that locker from any other.
        if (const auto change = FirstChange(stored, TakeSnapshot(item), false))
            return Withdrawn(temporary, ChangedEntry(item, *change));
        fs::path note;
        try {
            note = WriteHeldNote(item, stored, temporary);
        } catch (const std::exception& error) {
            return Withdrawn(temporary, error.what());
        }
        try {
            platform::RenameNoReplace(temporary, locker);
            platform::FlushFolder(locker.parent_path());
        } catch (const std::exception& error) {
            // A locker that appeared meanwhile is someone else's and stays.
            if (platform::FileExists(temporary))
                return Withdrawn(temporary,
                                 platform::FileExists(locker)
                                     ? TranslateText("Locker already exists: ") + platform::Utf8FromPath(locker)
                                     : std::string(error.what()),
                                 note);
            return Withdrawn(locker, error.what(), note);
        }
        return Reporting(DeleteHeldItem(item, locker, stored, note, outcome), settled.LeftAlone);
    } catch (const std::exception& error) {
        return Failed(error.what());
    }
}

std::string LockerPathOf(const std::string& itemPath) {
    return platform::Utf8FromPath(platform::FullPath(platform::PathFromUtf8(itemPath))) + LockerExtension;
}

} // namespace vk
