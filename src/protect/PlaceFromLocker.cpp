#include "protect/PlaceFromLocker.h"

#include "platform/Error.h"
#include "protect/Outcome.h"
#include "translation/translation.h"

#include <optional>
#include <system_error>

namespace vk::protect {

namespace {

// Removes the staging folder however the placement ends; what it holds is a
// copy of the locker's content.
class TStagingFolder {
public:
    // Made private and new: nothing that lay at the name before is used.
    explicit TStagingFolder(const fs::path& path) : FPath(path) {
        platform::CreatePrivateDirectory(path);
        FIdentity = IdentityAt(path);
    }
    ~TStagingFolder() {
        std::string failed;
        DeleteTree(FPath, failed);
    }
    TStagingFolder(const TStagingFolder&) = delete;
    TStagingFolder& operator=(const TStagingFolder&) = delete;
    const fs::path& Path() const { return FPath; }
    // The folder takes a new name, which tells an interrupted run's successor
    // what it holds.
    void Rename(const fs::path& path) {
        CheckStillOurs();
        platform::RenameNoReplace(FPath, path);
        FPath = path;
    }
    // Someone who can write the folder beside could have swapped the staging
    // folder for another: nothing of another's folder is ever placed.
    void CheckStillOurs() const {
        platform::TItemStamp stamp;
        if (!platform::ReadItemStamp(FPath, stamp) || IdentityOf(stamp) != FIdentity || !stamp.Owned ||
            stamp.Type != platform::TItemStamp::Kind::Folder)
            throw Error(TranslateText("The staging folder was replaced by someone else: ") +
                        platform::Utf8FromPath(FPath));
    }

    // The one item the extraction made.
    std::optional<fs::path> OnlyItem() const {
        std::optional<fs::path> only;
        int count = 0;
        std::error_code error;
        for (fs::directory_iterator it(FPath, error), end; !error && it != end; it.increment(error), ++count)
            only = it->path();
        if (error || count != 1)
            return std::nullopt;
        return only;
    }

private:
    fs::path FPath;
    std::string FIdentity;
};

TProtectOutcome TakenFailure(const fs::path& item) {
    return Failed(TranslateText("Cannot import: an item of the same name already exists:") + "\n" +
                  platform::Utf8FromPath(item));
}

// A restore that found the name free, asked nothing, and lost it to another
// program before its item could take it.
TProtectOutcome RaceFailure(const TPlacement& placement, const fs::path& item) {
    if (placement.WhenTaken == TWhenTaken::Refuse)
        return TakenFailure(item);
    return Failed(TranslateText("Cannot restore: an item of the same name appeared meanwhile:") + "\n" +
                  platform::Utf8FromPath(item));
}

// What the caller says becomes of the version a conflict answer discards.
TDiscardAnswer DiscardAnswer(const TProtectCallbacks& callbacks, const fs::path& path) {
    return callbacks.Discard ? callbacks.Discard(platform::Utf8FromPath(path)) : TDiscardAnswer::DeleteForGood;
}

// Keep: the existing item stays; its locker goes as the caller says.
TProtectOutcome KeepExisting(const fs::path& locker, const TProtectCallbacks& callbacks) {
    TProtectOutcome outcome = Ended(TProtectEnd::Kept);
    switch (DiscardAnswer(callbacks, locker)) {
    case TDiscardAnswer::DeleteForGood:
        DeleteLockerFile(locker);
        platform::FlushFolder(locker.parent_path());
        break;
    case TDiscardAnswer::KeepIt:
        outcome.LeftoverPath = platform::Utf8FromPath(locker);
        break;
    case TDiscardAnswer::Taken:
        break;
    }
    return outcome;
}

// Moves the new item into place, the existing one aside first when it is to
// be replaced; a failure puts everything back and raises.
void MoveIntoPlace(const fs::path& staged, const fs::path& item, const std::optional<fs::path>& aside) {
    if (aside)
        platform::RenameNoReplace(item, *aside);
    try {
        platform::RenameNoReplace(staged, item);
    } catch (const std::exception&) {
        if (aside)
            platform::RenameNoReplace(*aside, item);
        throw;
    }
}

// Takes the new item out of place again and returns the existing one.
void MoveBack(const fs::path& staged, const fs::path& item, const std::optional<fs::path>& aside) {
    platform::RenameNoReplace(item, staged);
    if (aside)
        platform::RenameNoReplace(*aside, item);
}

// The locker's item extracted in full into the private staging folder.
TLockerResult ExtractIntoStaging(const fs::path& locker, const TStagingFolder& staging, const std::string& secret,
                                 const TProtectCallbacks& callbacks) {
    TLockerResult extracted = ExtractLocker(platform::Utf8FromPath(locker), platform::Utf8FromPath(staging.Path()),
                                            secret, callbacks.Progress, callbacks.Cancel);
    if (extracted.Success)
        staging.CheckStillOurs();
    return extracted;
}

} // namespace

TProtectOutcome PlaceFromLocker(const TPlacement& placement, const std::string& secret,
                                const TProtectCallbacks& callbacks) {
    if (!placement.Item.empty() && placement.WhenTaken == TWhenTaken::Refuse && AnythingAt(placement.Item))
        return TakenFailure(placement.Item);
    const fs::path nameSource = placement.Item.empty() ? placement.Folder / placement.Locker.stem() : placement.Item;
    TStagingFolder staging(StagingPath(nameSource, TStageKind::Extract));

    const TLockerResult extracted = ExtractIntoStaging(placement.Locker, staging, secret, callbacks);
    if (!extracted.Success)
        return Failed(extracted.MessageText);
    if (Cancelled(callbacks))
        return Failed(CancelledText());
    std::optional<fs::path> staged = staging.OnlyItem();
    if (!staged)
        return Failed(TranslateText("Invalid locker file."));
    FlushTree(*staged);
    platform::FlushFolder(staging.Path());
    staging.Rename(StagingPath(nameSource, TStageKind::Ready));
    staged = staging.Path() / staged->filename();

    const fs::path item = placement.Item.empty() ? placement.Folder / staged->filename() : placement.Item;
    const fs::path folder = item.parent_path();
    std::optional<fs::path> aside;
    if (AnythingAt(item)) {
        if (placement.WhenTaken == TWhenTaken::Refuse)
            return TakenFailure(item);
        // The locker opened and gave its whole item: only now is the
        // existing one asked about.
        const TConflictAnswer answer =
            callbacks.Conflict ? callbacks.Conflict(platform::Utf8FromPath(item)) : TConflictAnswer::Skip;
        if (answer == TConflictAnswer::Skip)
            return Ended(TProtectEnd::NothingChanged);
        if (answer == TConflictAnswer::Keep)
            return KeepExisting(placement.Locker, callbacks);
        // Stop pressed while the question was open: nothing is replaced.
        if (Cancelled(callbacks))
            return Failed(CancelledText());
        aside = StagingPath(item, TStageKind::Aside);
    }
    // From here a kill can leave the new item under the name beside the
    // locker (and the existing one set aside): the note lets a repeat prove
    // which is which.
    const fs::path note = WriteNote(item, TStageKind::Placed,
                                    {{"placed", IdentityAt(*staged)},
                                     {"aside", aside ? IdentityAt(item) : std::string("-")},
                                     {"locker", placement.DeleteLocker ? "delete" : "keep"}},
                                    placement.Locker);
    const auto dropNote = [&note] {
        std::string failed;
        DeleteTree(note, failed);
    };
    try {
        staging.CheckStillOurs();
        MoveIntoPlace(*staged, item, aside);
    } catch (const std::exception& error) {
        dropNote();
        if (!aside && AnythingAt(item))
            return RaceFailure(placement, item);
        return Failed(error.what());
    }

    // The new item is in place; the version it replaces goes once that is
    // durable, and the locker last, so that a kill at any point leaves the
    // locker that proves the note.
    const std::uint32_t lockerAttributes = platform::GetFileAttributes(placement.Locker);
    // Takes the new item out of place again, the existing one back.
    const auto undone = [&](std::string message) {
        try {
            MoveBack(*staged, item, aside);
            dropNote();
        } catch (const std::exception& undo) {
            message += "\n" + std::string(undo.what());
        }
        return Failed(message);
    };
    try {
        platform::FlushFolder(folder);
    } catch (const std::exception& error) {
        return undone(error.what());
    }
    TProtectOutcome outcome = Ended(TProtectEnd::Restored);
    if (aside) {
        // Replaced: the old item goes only now, as the caller says; what
        // cannot be deleted stays, named in the outcome.
        switch (DiscardAnswer(callbacks, *aside)) {
        case TDiscardAnswer::DeleteForGood: {
            std::string failed;
            if (!DeleteTree(*aside, failed))
                outcome.LeftoverPath = failed;
            break;
        }
        case TDiscardAnswer::KeepIt:
            outcome.LeftoverPath = platform::Utf8FromPath(*aside);
            break;
        case TDiscardAnswer::Taken:
            break;
        }
    }
    if (placement.DeleteLocker) {
        try {
            DeleteLockerFile(placement.Locker);
        } catch (const std::exception& error) {
            std::string message = error.what();
            platform::SetFileAttributes(placement.Locker, lockerAttributes);
            if (aside) {
                // The replaced version is gone: the new item stays in place,
                // and the locker beside it with the note lets the next run
                // finish.
                return Failed(message, platform::Utf8FromPath(placement.Locker));
            }
            return undone(message);
        }
        try {
            platform::FlushFolder(placement.Locker.parent_path());
        } catch (const std::exception&) {
            // the item is in place; the deletion is as durable as the folder makes it
        }
    }
    dropNote();
    outcome.RecoveryCode = extracted.RecoveryCode;
    outcome.WarningText = extracted.WarningText;
    outcome.ItemPath = platform::Utf8FromPath(item);
    return outcome;
}

} // namespace vk::protect
