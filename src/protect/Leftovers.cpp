// Settling what an interrupted run left beside an item. Anyone who can write
// the folder that holds the item can put anything under a staging name, so a
// leftover is acted on only when it is proven to be this program's own: a
// note the locker authenticates names it by identity, or it is a private
// folder or file of the user's that only ever holds a copy. Everything else
// is left where it is and reported; nothing here deletes a locker or an
// existing item on a name or an empty folder alone.

#include "protect/ProtectSteps.h"

#include <algorithm>
#include <system_error>

namespace vk::protect {

namespace {

using platform::TItemStamp;

bool IsLockerFile(const fs::path& locker) {
    TItemStamp stamp;
    return platform::ReadItemStamp(locker, stamp) && stamp.Type == TItemStamp::Kind::File;
}

class TSettler {
public:
    TSettler(const fs::path& item, const fs::path& locker, TSettling settling, const TDiscardFunc& discard)
        : FItem(item), FLocker(locker), FSettling(settling), FDiscard(discard) {}

    TSettled Run() {
        std::vector<fs::path> unproven;
        FNotes = ProvenNotes(FItem, FLocker, &unproven);
        FinishRestore();
        for (const TLeftover& leftover : LeftoversOf(FItem))
            if (leftover.Kind != TStageKind::Held && leftover.Kind != TStageKind::Placed)
                Settle(leftover);
        DropFinishedNotes();
        if (FSettling != TSettling::Extract) {
            DropTemporaryLockers();
            platform::RemoveStaleListTemporaries(FItem.parent_path());
        }
        // The user's own notes that no locker proves (cut short by a kill, or
        // their locker is gone) hold nothing of the item and go; another's
        // stay, named after the versions of the item, which matter more.
        for (const fs::path& note : unproven) {
            TItemStamp stamp;
            if (platform::ReadItemStamp(note, stamp) && stamp.Owned && stamp.Type == TItemStamp::Kind::File)
                Delete(note);
            else
                Leave(note);
        }
        return FSettled;
    }

private:
    const TNote* NoteWith(TStageKind kind, const char* field, const std::string& identity) const {
        if (identity.empty())
            return nullptr;
        for (const TNote& note : FNotes)
            if (note.Kind == kind && note.Field(field) == identity)
                return &note;
        return nullptr;
    }

    void Leave(const fs::path& path) {
        if (std::find(FSettled.LeftAlone.begin(), FSettled.LeftAlone.end(), path) == FSettled.LeftAlone.end())
            FSettled.LeftAlone.push_back(path);
    }

    // What the interrupted run renamed reaches the disk before anything is
    // deleted: the locker and the item share this folder.
    void FlushOnce() {
        if (FFlushed)
            return;
        FFlushed = true;
        try {
            platform::FlushFolder(FItem.parent_path());
        } catch (const std::exception&) {
            // as durable as the folder makes it
        }
    }

    void Delete(const fs::path& path) {
        FlushOnce();
        std::string failed;
        if (!DeleteTree(path, failed) && FSettled.FailedPath.empty())
            FSettled.FailedPath = failed;
    }

    void PutBack(const fs::path& from) {
        try {
            platform::RenameNoReplace(from, FItem);
            platform::FlushFolder(FItem.parent_path());
        } catch (const std::exception&) {
            Leave(from);
        }
    }

    void PutBackOnlyEntry(const fs::path& folder) {
        std::vector<fs::path> entries;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            entries.push_back(it->path());
        if (error || entries.size() != 1) {
            Leave(folder);
            return;
        }
        PutBack(entries.front());
        if (AnythingAt(FItem))
            Delete(folder);
    }

    // The version a replacing restore set aside, once the new item is in
    // place and its locker gone: the caller decides what becomes of it.
    void Discard(const fs::path& path) {
        const TDiscardAnswer answer = FDiscard ? FDiscard(platform::Utf8FromPath(path)) : TDiscardAnswer::DeleteForGood;
        if (answer == TDiscardAnswer::DeleteForGood)
            Delete(path);
        else if (answer == TDiscardAnswer::KeepIt)
            Leave(path);
    }

    // A restore killed after its item took the name: the note shows that the
    // item under the name is the one it placed, so the locker's deletion is
    // all that is left.
    void FinishRestore() {
        if (FSettling != TSettling::Restore || !IsLockerFile(FLocker))
            return;
        const std::string atName = IdentityAt(FItem);
        for (const TNote& note : FNotes) {
            if (note.Kind != TStageKind::Placed || note.Field("locker") != "delete" || note.Field("placed") != atName)
                continue;
            FlushOnce();
            try {
                DeleteLockerFile(FLocker);
                platform::FlushFolder(FLocker.parent_path());
                FSettled.FinishedRestore = true;
            } catch (const std::exception&) {
                FSettled.FailedPath = platform::Utf8FromPath(FLocker);
            }
            return;
        }
    }

    void Settle(const TLeftover& leftover) {
        TItemStamp stamp;
        if (!platform::ReadItemStamp(leftover.Path, stamp))
            return;
        const std::string identity = IdentityOf(stamp);
        const bool privateFolder = stamp.Owned && stamp.Type == TItemStamp::Kind::Folder;
        switch (leftover.Kind) {
        case TStageKind::Hide:
            // Taken off its name by a hide and not yet checked: back under
            // the name while that is free; the user decides between the two.
            if (NoteWith(TStageKind::Held, "root", identity) && !AnythingAt(FItem))
                PutBack(leftover.Path);
            else
                Leave(leftover.Path);
            return;
        case TStageKind::Delete:
            // A hidden item checked against its locker: a copy.
            if (NoteWith(TStageKind::Held, "root", identity))
                Delete(leftover.Path);
            else
                SettleReplaced(leftover.Path, identity);
            return;
        case TStageKind::Aside:
            if (const TNote* placed = NoteWith(TStageKind::Placed, "aside", identity); placed && !AnythingAt(FItem))
                PutBack(leftover.Path); // the new item never arrived
            else
                SettleReplaced(leftover.Path, identity);
            return;
        case TStageKind::Extract:
        case TStageKind::Ready:
            // The user's private folder, which only this program writes into:
            // a copy of the locker's item while the locker exists. Once the
            // locker is gone it is the only copy of that version, which takes
            // the name while that is free; a kept existing item under the
            // name means the locker's version was the one to discard.
            if (!privateFolder)
                Leave(leftover.Path);
            else if (!IsLockerFile(FLocker) && !AnythingAt(FItem) && FSettling != TSettling::Extract)
                PutBackOnlyEntry(leftover.Path);
            else
                Delete(leftover.Path);
            return;
        case TStageKind::Held:
        case TStageKind::Placed:
            return;
        }
    }

    // An existing item a replacing restore set aside: discarded only when
    // this run finished that restore, with the placed item under the name.
    void SettleReplaced(const fs::path& path, const std::string& identity) {
        const TNote* placed = NoteWith(TStageKind::Placed, "aside", identity);
        if (placed && FSettled.FinishedRestore && IdentityAt(FItem) == placed->Field("placed"))
            Discard(path);
        else
            Leave(path);
    }

    // A note whose versions are all settled has done its job.
    void DropFinishedNotes() {
        std::vector<std::string> staged;
        for (const TLeftover& leftover : LeftoversOf(FItem))
            staged.push_back(IdentityAt(leftover.Path));
        const std::string atName = IdentityAt(FItem);
        const auto present = [&](const std::string& identity) {
            return !identity.empty() && (identity == atName || std::count(staged.begin(), staged.end(), identity) > 0);
        };
        for (const TNote& note : FNotes) {
            const bool pending =
                note.Kind == TStageKind::Held
                    ? present(note.Field("root")) && IsLockerFile(FLocker)
                    : IsLockerFile(FLocker) && note.Field("locker") == "delete" && note.Field("placed") == atName;
            const bool asideLeft =
                note.Kind == TStageKind::Placed && present(note.Field("aside")) && note.Field("aside") != atName;
            if (!pending && !asideLeft)
                Delete(note.Path);
        }
    }

    // A temporary locker is a copy while the item is under its name.
    void DropTemporaryLockers() {
        for (const fs::path& temporary : TemporaryLockersOf(FLocker)) {
            TItemStamp stamp;
            if (platform::ReadItemStamp(temporary, stamp) && stamp.Owned && stamp.Type == TItemStamp::Kind::File &&
                AnythingAt(FItem))
                Delete(temporary);
            else
                Leave(temporary);
        }
    }

    const fs::path& FItem;
    const fs::path& FLocker;
    TSettling FSettling;
    const TDiscardFunc& FDiscard;
    std::vector<TNote> FNotes;
    TSettled FSettled;
    bool FFlushed = false;
};

} // namespace

TSettled SettleLeftovers(const fs::path& item, const fs::path& locker, TSettling settling,
                         const TDiscardFunc& discard) {
    try {
        return TSettler(item, locker, settling, discard).Run();
    } catch (const std::exception&) {
        TSettled settled;
        settled.LeftAlone.push_back(item);
        return settled;
    }
}

} // namespace vk::protect
