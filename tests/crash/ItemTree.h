#pragma once

// What a file or folder holds, for comparing an item before and after a run:
// every entry's relative path, kind and content.

#include <filesystem>
#include <map>
#include <string>

namespace vk::test {

// Relative path ("" for the item itself) to content; a folder maps to "/".
using ItemTree = std::map<std::string, std::string>;

// The tree at path as it is now (links are recorded as "->" and their target,
// never followed); empty when nothing is there.
ItemTree ReadItemTree(const std::filesystem::path& path);

// Writes the tree at path; path must not exist yet.
void WriteItemTree(const std::filesystem::path& path, const ItemTree& tree);

// A short description of how actual differs from expected; empty when equal.
std::string TreeDifference(const ItemTree& expected, const ItemTree& actual);

} // namespace vk::test
