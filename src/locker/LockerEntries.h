#pragma once

// The entry table of a locker being created: enumeration of the source and
// the payload sizes that follow from it.

#include "locker/LockerItemTimes.h"
#include "locker/uLocker.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vk {

using TEntryList = std::vector<TEntryInfo>;

// Appends every item below dir, pre-order (a folder before its contents), in
// the order the file system lists them; hidden and system items included.
// Folder links are descended, but a link that leads back into the tree, or
// into a folder it is already inside, fails with a message naming it.
// With times, appends each entry's modification time and permission bits
// there, in the same order, from the same look-up as its attributes.
void CollectEntries(const std::filesystem::path& baseDir, const std::filesystem::path& dir, TEntryList& list,
                    std::vector<TItemTimes>* times = nullptr);

// The modification time and permission bits of one item; zero and none when
// they cannot be read.
TItemTimes ItemTimesOf(const std::filesystem::path& path);

// The Windows attribute bits of an item; 0 when they cannot be read.
std::int32_t FileAttributesOrZero(const std::filesystem::path& path);

std::int64_t EntryHeaderSize(const TEntryInfo& entry);
std::int64_t TotalPayloadSize(const std::string& rootName, const TEntryList& list);

} // namespace vk
