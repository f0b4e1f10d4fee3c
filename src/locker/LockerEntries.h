#pragma once

// The entry table of a locker being created: enumeration of the source and
// the payload sizes that follow from it.

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
void CollectEntries(const std::filesystem::path& baseDir, const std::filesystem::path& dir, TEntryList& list);

// The Windows attribute bits of an item; 0 when they cannot be read.
std::int32_t FileAttributesOrZero(const std::filesystem::path& path);

std::int64_t EntryHeaderSize(const TEntryInfo& entry);
std::int64_t TotalPayloadSize(const std::string& rootName, const TEntryList& list);

} // namespace vk
