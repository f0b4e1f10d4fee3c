#pragma once

// Relative paths as a locker stores them (backslash between components) and
// the one rule every entry table must follow: creation refuses what could not
// come back, verification and extraction refuse what creation never writes.

#include "locker/uLocker.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

namespace vk {

// Forward slashes become backslashes; leading separators, leading "..\"
// components and a lone ".." are removed. Nothing else changes. Used when a
// table is built; a table read back must already be in its canonical form.
std::string SanitizeRelativePath(const std::string& path);

// The stored form of a path below the root: components joined with
// backslashes. Raises vk::Error naming the item when a component holds a
// backslash or is no text (see platform::Utf8FromPath), which the format
// could not give back faithfully.
std::string StoredRelativePath(const std::filesystem::path& relative);

// The one rule for a locker's root name, shared by creation, verification and
// extraction: one plain name (not empty, ".", "..", no separator, no drive).
bool IsPlainRootName(const std::string& rootName);
// Raises vk::Error naming the root name when IsPlainRootName refuses it.
void CheckRootName(const std::string& rootName);

// The components of a stored relative path, split on backslashes.
std::vector<std::string> EntryComponents(const std::string& storedPath);

// The canonical entry table, checked entry by entry in stored order; raises
// vk::Error with a message naming the fault:
// - the root name is one plain name (CheckRootName);
// - the entry count is not negative and its smallest possible entries fit in
//   the payload that follows the root header;
// - every path is one or more plain components: none empty, ".", "..", none
//   holding "/" or NUL, the first not naming a drive (the same on every
//   platform, so a locker is refused alike wherever it is opened);
// - no path appears twice, nor two that this system does not tell apart (in
//   letter case, on Windows), and the folder of every nested path is an
//   earlier folder entry;
// - a one-file locker holds exactly one entry, a file stored under the root
//   name;
// - every path, with the root name before it, stays within the system's
//   limits of name length, path length and depth;
// - sizes are not negative, folders have none, and the entries end exactly
//   where the payload ends.
class TEntryTableRule {
public:
    // payloadLeft: the payload bytes that follow the root header.
    TEntryTableRule(const std::string& rootName, bool rootIsFolder, std::int32_t count, std::int64_t payloadLeft);

    // The next entry header, before its content. Raises when it breaks the rule.
    void Check(const TEntryInfo& entry);
    // After the last entry.
    void Finish() const;

private:
    std::string FRootName;
    bool FRootIsFolder;
    std::int32_t FCount;
    std::int32_t FSeen = 0;
    std::int64_t FPayloadLeft;
    std::unordered_set<std::string> FPaths;
    std::unordered_set<std::string> FNamesHere; // the paths as this system compares names
    std::unordered_set<std::string> FFolders;
};

// The whole rule over a table built in memory (creation).
void CheckEntryTable(const std::string& rootName, bool rootIsFolder, const std::vector<TEntryInfo>& entries);

} // namespace vk
