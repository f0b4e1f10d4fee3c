#pragma once

// The folder's ".hidden" file: one name per line, the list of entries that
// file managers (GNOME Files, Dolphin, Thunar, ...) hide. It carries the
// hidden attribute of names that do not begin with a dot.

#include <filesystem>
#include <string>
#include <vector>

namespace vk::platform::detail {

// True when the item's name is listed in its folder's ".hidden" file.
bool IsListedHidden(const std::filesystem::path& fullPath);

// The names listed in the folder's ".hidden" file; none when it is missing
// or cannot be read.
std::vector<std::string> ListedHiddenNames(const std::filesystem::path& folderFullPath);
// True when the name is listable and one of names.
bool IsListedIn(const std::vector<std::string>& names, const std::string& name);

// Adds or removes the item's name; the list is replaced atomically and
// removed when no name is left. False when the list cannot be changed.
bool SetListedHidden(const std::filesystem::path& fullPath, bool hidden);

// The same for a name in the folder open as folder: the list is read and
// replaced relative to that handle, never through a link.
bool SetListedHiddenAt(int folder, const std::string& name, bool hidden);

} // namespace vk::platform::detail
