#pragma once

// The steps the hide, restore and import transactions are built from: staging
// names beside an item, the record of what a locker stored, flushing, deleting
// and settling the leftovers of an interrupted run.

#include "platform/uPlatform.h"

#include <filesystem>
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
};

// A fresh staging name beside item: "." + its name + ".vk<kind>-" + random.
fs::path StagingPath(const fs::path& item, TStageKind kind);

struct TLeftover {
    fs::path Path;
    TStageKind Kind;
};
// The staging names beside item that an earlier run on it left behind.
std::vector<TLeftover> LeftoversOf(const fs::path& item);

// Puts back what is the only copy and deletes what is a copy of something
// safe: after this, nothing of an interrupted run on item remains but what
// could not be deleted. True when this finished an interrupted restore (its
// item is in place and the locker was deleted now). Never raises.
bool SettleLeftovers(const fs::path& item, const fs::path& locker);

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
