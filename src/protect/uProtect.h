#pragma once

// Hiding, restoring and importing items, and deleting them: the transactions
// that move an item between its readable form and its locker.
//
// The promise every function here keeps: at every instant the user has the
// complete readable item under its name or a locker that opens with the
// program's password — never a partial item under the real name, never
// neither.
//
// How it is kept:
// - A hide records each stored entry's identity, size and change time, makes
//   the verified locker durable under its final name, takes the item off its
//   name with one rename to a private staging name beside it, checks that the
//   staged tree still holds exactly what was stored, and only then deletes it.
// - A restore or an import extracts into a private staging folder beside the
//   target, flushes it, and moves the item into place with one rename only
//   while the name is free. The locker is deleted only after the item and its
//   folder have reached the disk.
// - An existing item is replaced only after the locker has been extracted in
//   full; it is moved aside and deleted only once the new item is in place.
// - Leftovers of an interrupted run (staging names beside the item) are put
//   back or cleaned up at the next run on the same path.
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
enum class TDiscardAnswer { Taken, DeleteForGood, KeepIt };
using TDiscardFunc = std::function<TDiscardAnswer(const std::string& path)>;

struct TProtectCallbacks {
    TLockerProgressProc Progress; // may be empty
    TLockerCancelFunc Cancel;     // may be empty; true = Stop
    TConflictFunc Conflict;       // restore only; empty answers Skip
    TDiscardFunc Discard;         // may be empty: DeleteForGood
};

struct TProtectOutcome {
    // True when the end state is reached: hidden (item gone, locker in place),
    // restored (item in place, locker gone), or a conflict settled with Keep
    // or Skip.
    bool Success = false;
    // The conflict was answered: Skip (nothing changed) or Keep (locker
    // deleted, existing item kept). Success is true in both cases.
    bool Skipped = false;
    bool Kept = false;
    std::string MessageText;  // empty on success
    std::string RecoveryCode; // hide: the new locker's recovery code
    std::string ItemPath;     // restore and import: where the item now lies
    enum class TProtectEnd { Hidden, Restored, Kept, NothingChanged, Failed } End = TProtectEnd::Failed;
    std::string LeftoverPath;
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
