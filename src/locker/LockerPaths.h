#pragma once

// Relative paths as a locker stores them (backslash between components) and
// the checks that keep extraction inside its target folder.

#include <filesystem>
#include <string>

namespace vk {

// Forward slashes become backslashes; leading separators, leading "..\"
// components and a lone ".." are removed. Nothing else changes.
std::string SanitizeRelativePath(const std::string& path);

// The stored form of a path below the root: components joined with
// backslashes. Raises vk::Error naming the item when a component holds a
// backslash, which the format could not give back faithfully.
std::string StoredRelativePath(const std::filesystem::path& relative);

// The one rule for a locker's root name, shared by creation, verification and
// extraction: one plain name (not empty, ".", "..", no separator, no drive).
bool IsPlainRootName(const std::string& rootName);
// Raises vk::Error naming the root name when IsPlainRootName refuses it.
void CheckRootName(const std::string& rootName);

// A stored relative path (after SanitizeRelativePath) as a native path below
// the root, or raises vk::Error naming it when it would lead elsewhere: a ".."
// component, an absolute or drive-qualified path, a NUL character.
std::filesystem::path SafeRelativePath(const std::string& storedPath);

} // namespace vk
