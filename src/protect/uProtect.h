#pragma once

// Hiding, restoring and importing items, and deleting them: the transactions
// that move an item between its readable form and its locker.
//
// The promise every function here keeps: at every instant the user has the
// complete readable item under its name or a locker that opens with the
// program's password — never a partial item under the real name, never
// neither, never a failure reported as success. It holds against a kill at
// any step and against another local user who can write the folder that
// holds the item (a group-shared folder, a sticky scratch folder) but cannot
// read the user's private files: such a user can plant, swap and rename
// names beside the item, but cannot make the program write through a link
// or delete a locker or an existing item. (A user who may delete the user's
// files in that folder can destroy them without the program; that is
// outside what any program can prevent.) One gap is left: the extraction
// opens its fresh private staging folder by path, so in a folder without
// the sticky bit another user could swap an empty folder of their own in
// at that instant; the swap is found right after the extraction and nothing
// is placed, but the extracted files (owner-only, the user's) lay in that
// folder meanwhile.
//
// How it is kept:
// - A hide records each stored entry's identity, size and change time,
//   writes the locker under a fresh random name it creates new and never
//   through a link, verifies it, writes a note, and gives it its final name
//   with a rename that never replaces. It then takes the item off its name
//   with one rename to a private staging name beside it, checks that the
//   staged tree still holds exactly what was stored, and only then deletes
//   it through folder handles that never follow a link swapped in meanwhile.
//   An item that cannot be deleted in full fails the hide, naming what is
//   left, and the locker's recovery code still reaches the caller.
// - A restore or an import extracts into a private staging folder beside the
//   target, flushes it, writes a note, and moves the item into place with
//   one rename only while the name is free. An existing item is replaced
//   only after the locker has been extracted in full; it is moved aside and
//   goes (as the caller's Discard says) only once the new item is durable
//   under the name; the locker is deleted last.
// - Leftovers of an interrupted run are acted on only when proven to be this
//   program's own: a note beside the item, the user's own file, names them
//   by identity and carries a MAC under a key only the locker yields; or
//   they are the user's private folders that only ever hold a copy. Each
//   repeat flushes the folder before it deletes anything. Anything else is
//   left alone and named in LeftoverPath; a version this run may not decide
//   about is kept and named.
// - The one end state is decided here (TProtectEnd); the faces show it.
//
// Every function reports its failures in the outcome and raises nothing.
// Messages are translated through TranslateText.

#include "locker/uLocker.h"

#include <functional>
#include <string>

namespace vk {

// The answer to "both the item and its locker exist" during a restore.
enum class TConflictAnswer {
    Replace, // Yes: the locker's item replaces the existing one
    Keep,    // No: the existing item stays, the locker is deleted
    Skip,    // Cancel: nothing changes
};

// Asked with the item's full path, only about a complete existing item and
// only once the locker has been extracted in full (so it opens).
using TConflictFunc = std::function<TConflictAnswer(const std::string& itemPath)>;

// What becomes of a version that a conflict answer discards (the locker after
// Keep, the existing item after Replace) once the kept one is safe.
enum class TDiscardAnswer {
    Taken,         // the callback moved it away itself (the desktop trash)
    DeleteForGood, // the transaction deletes it
    KeepIt,        // left where it is: a locker stays beside the item, an item
                   // set aside stays under the name the outcome reports
};
using TDiscardFunc = std::function<TDiscardAnswer(const std::string& path)>;

struct TProtectCallbacks {
    TLockerProgressProc Progress; // may be empty
    TLockerCancelFunc Cancel;     // may be empty; true = Stop
    TConflictFunc Conflict;       // restore only; empty answers Skip
    TDiscardFunc Discard;         // may be empty: DeleteForGood
};

// The one end state of a transaction, which every face shows as it is.
enum class TProtectEnd {
    Hidden,         // the item is gone, its locker is in place
    Restored,       // the item is in place, its locker is gone (or kept for an extraction)
    Kept,           // a conflict answered Keep: the existing item stays
    NothingChanged, // a conflict answered Skip, or the job was already done
    Failed,         // MessageText says why; LeftoverPath names what is left
};

struct TProtectOutcome {
    TProtectEnd End = TProtectEnd::Failed;
    // True when the end state is reached: hidden (item gone, locker in place),
    // restored (item in place, locker gone), or a conflict settled with Keep
    // or Skip.
    bool Success = false;
    // The conflict was answered: Skip (nothing changed) or Keep (locker
    // deleted, existing item kept). Success is true in both cases, and for
    // every End but Failed.
    bool Skipped = false;
    bool Kept = false;
    std::string MessageText; // empty on success
    // Hide: the recovery code of the locker this run created, set whenever
    // that locker was kept, whatever happened after (also when End is
    // Failed because part of the item could not be deleted). Restore: the
    // code the locker was opened with, if any.
    std::string RecoveryCode;
    std::string ItemPath; // restore and import: where the item now lies
    // What is left that the user must look at: the part of an item that could
    // not be deleted, a leftover that could not be proven to be this
    // program's, or an item set aside that was kept. Empty when nothing is.
    std::string LeftoverPath;
    std::string WarningText; // restore and import: shown although it succeeded
};

// The locker of an item: its full path followed by ".vklocker".
std::string LockerPathOf(const std::string& itemPath);

// Hides the file or folder at itemPath into its locker with the password and
// gives the locker the hidden attribute (and system when strongHide). Refuses
// a link as the item and a name a locker could not give back.
TProtectOutcome HideItem(const std::string& itemPath, const std::string& password, bool strongHide,
                         const TProtectCallbacks& callbacks = {});

// Restores the item at itemPath from its locker with the password. The item
// keeps the name in itemPath whatever root name the locker stores. When the
// item exists too, callbacks.Conflict decides. On failure the locker is left
// hidden again (strongHide as for the hide).
TProtectOutcome RestoreItem(const std::string& itemPath, const std::string& password, bool strongHide,
                            const TProtectCallbacks& callbacks = {});

// Restores the item of a locker whose path is not listed: the item goes beside
// the locker under the locker's file name without ".vklocker"; secret is the
// locker's password or recovery code. Never replaces an existing item.
// ItemPath tells where the item lies on success.
TProtectOutcome ImportLocker(const std::string& lockerPath, const std::string& secret,
                             const TProtectCallbacks& callbacks = {});

// Extracts a locker into targetFolder under its stored root name through the
// same staging; never replaces an existing item. ItemPath tells where the item
// lies on success.
TProtectOutcome ExtractWithoutReplacing(const std::string& lockerPath, const std::string& targetFolder,
                                        const std::string& secret, const TProtectCallbacks& callbacks = {});

// Deletes a file, a link (as itself) or a folder tree, clearing read-only,
// hidden and system first. Returns true when nothing is left at path;
// otherwise false with the first entry that could not be deleted in
// failedPath. Never raises.
bool DeleteItem(const std::string& path, std::string& failedPath);

} // namespace vk
