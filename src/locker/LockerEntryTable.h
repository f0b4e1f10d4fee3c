#pragma once

// The entry table of an opened locker, read in one pass that decrypts the
// entry headers and skips file contents, and checked against the canonical
// rule (LockerPaths.h) before anything acts on it.

#include "locker/LockerFormat.h"
#include "locker/uLocker.h"
#include "platform/uPlatform.h"

#include <string>
#include <vector>

namespace vk {

struct TEntryTable {
    std::string RootName;
    bool RootIsFolder = false;
    std::vector<TEntryInfo> Entries; // in stored order; SourceFullPath stays empty
};

// Reads the table from the payload's start with the payload key. Raises
// vk::Error with the rule's message, or "Stream read error" for a field that
// lies beyond the payload.
TEntryTable ReadEntryTable(platform::FileStream& stream, const Bytes& encKey, const TLockerHeader& header);

} // namespace vk
