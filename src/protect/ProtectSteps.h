#pragma once

// The steps the hide, restore and import transactions are built from: staging
// names beside an item, the record of what a locker stored, flushing, deleting
// and settling the leftovers of an interrupted run.

#include "platform/uPlatform.h"
#include "protect/uProtect.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vk::protect {

namespace fs = std::filesystem;

// What a staging name beside an item holds.
enum class TStageKind {
    Hide,    // the item taken off its name by a hide: complete; held by the locker once that exists
    Delete,  // an item whose content is safe elsewhere, being deleted
    Aside,   // an existing item moved aside by a replacing restore: complete
    Extract, // a private folder a locker is being extracted into
    Ready,   // that folder once the extraction is complete and flushed
    Held,    // a hide's note: its locker is in place and holds the item as it stood
    Placed,  // a restore's note: its item is about to take (or has taken) the name
};

// A fresh staging name beside item: "." + its name + ".vk<kind>-" + random.
fs::path StagingPath(const fs::path& item, TStageKind kind);

struct TLeftover {
    fs::path Path;
    TStageKind Kind;
};
// The staging names beside item that an earlier run on it left behind.
std::vector<TLeftover> LeftoversOf(const fs::path& item);

// The temporary lockers an interrupted hide of the locker's item left.
std::vector<fs::path> TemporaryLockersOf(const fs::path& locker);

// Which transaction settles the leftovers: only a restore finishes an
// interrupted restore (deleting its locker); an extraction never deletes a
// locker.
enum class TSettling { Hide, Restore, Extract };

struct TSettled {
    bool FinishedRestore = false; // the item is in place and its locker was deleted now
    std::string FailedPath;       // a proven copy that could not be deleted
    // Left alone: not proven to be this program's own, or the only copy of
    // a version that this run may not decide about. The first is reported.
    std::vector<fs::path> LeftAlone;
};

// Acts only on leftovers proven to be this program's own (see Notes.cpp):
// puts back what is the only copy while its name is free and deletes what is
// a proven copy of something safe, flushing what the interrupted run left
// before any deletion. Never deletes a locker or an item on a name or an
// empty folder alone. Never raises.
TSettled SettleLeftovers(const fs::path& item, const fs::path& locker, TSettling settling,
                         const TDiscardFunc& discard = {});

// True for anything at path, a dangling link included.
bool AnythingAt(const fs::path& path);

// Each entry of a tree in walk order with its stamp; the root comes first
// under the empty relative path. Links are recorded, never followed.
using TSnapshot = std::vector<std::pair<std::string, platform::TItemStamp>>;
TSnapshot TakeSnapshot(const fs::path& root);

// The relative path of the first entry that differs between two snapshots of
// the same tree (changed, removed or added; "" for the root), or nothing when
// they agree. rootMoved leaves the root's change time out, which its rename
// changes.
std::optional<std::string> FirstChange(const TSnapshot& before, const TSnapshot& after, bool rootMoved);

// A note's fields (name -> value), the item's name and the note's kind left out.
using TNoteFields = std::map<std::string, std::string>;
struct TNote {
    fs::path Path;
    TStageKind Kind;
    TNoteFields Fields;
    std::string Field(const std::string& name) const {
        const auto found = Fields.find(name);
        return found == Fields.end() ? std::string() : found->second;
    }
};
// An item's identity ("device:inode"), which a rename keeps; empty when
// nothing lies at path.
std::string IdentityOf(const platform::TItemStamp& stamp);
std::string IdentityAt(const fs::path& path);
std::string TreeDigest(const TSnapshot& snapshot);
// Writes a note of kind (Held or Placed) beside item under a fresh staging
// name, durably, authenticated with the key of the locker at lockerFile;
// returns its path. Raises vk::Error.
fs::path WriteNote(const fs::path& item, TStageKind kind, const TNoteFields& fields, const fs::path& lockerFile);
// The notes beside item that the locker at locker proves; the others are
// added to unproven when it is given.
std::vector<TNote> ProvenNotes(const fs::path& item, const fs::path& locker, std::vector<fs::path>* unproven);

// Writes the note of a hide whose verified locker (still under its temporary
// name, lockerFile) holds the stored snapshot, durably, before the locker
// takes its final name; returns the note's path. Raises vk::Error.
fs::path WriteHeldNote(const fs::path& item, const TSnapshot& stored, const fs::path& lockerFile);
// The note of an interrupted hide whose locker is the one at locker and
// holds the item as it stands now, if there is one.
std::optional<fs::path> FittingHeldNote(const fs::path& item, const fs::path& locker);

// A file, or a folder with every file and folder below it, reaches the disk.
// Links are neither followed nor flushed. Raises vk::Error.
void FlushTree(const fs::path& item);
void FlushFile(const fs::path& file);

// Deletes a file, a link or a folder tree; false with the first entry that
// could not be deleted otherwise. Never raises.
bool DeleteTree(const fs::path& item, std::string& failedPath);

// Creates the folder with its missing parents; raises vk::Error.
void CreateFolders(const fs::path& folder);

// Deletes a locker (hidden or not); raises vk::Error.
void DeleteLockerFile(const fs::path& locker);

} // namespace vk::protect
