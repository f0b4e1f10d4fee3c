#pragma once

// Whole-file reading and the crash-safe replacement of the settings file.

#include "security/uSecurityUtils.h"

#include <filesystem>

namespace vk {

// Raises the platform's file error when the file cannot be opened or read.
Bytes ReadWholeFile(const std::filesystem::path& path);

// Writes the bytes to a new temporary file in the same folder, readable by
// the owner only, flushes it to the disk, renames it over the target and
// flushes the folder. On failure the temporary file is removed, the target
// keeps its previous bytes, and the error is raised.
void ReplaceFileContents(const std::filesystem::path& target, const Bytes& contents);

// Moves file to stem + extension in its own folder, or to stem + "-2" +
// extension, "-3", ... when that name is taken: an existing file is never
// replaced. The new name is on the disk before the old one goes, so a crash
// leaves both names rather than neither. Returns the new path; raises
// vk::Error when the file cannot be moved.
std::filesystem::path MoveToFreeName(const std::filesystem::path& file, const std::string& stem,
                                     const std::string& extension);

// Creates the folder and every missing parent; raises when one cannot be made.
void CreateFolderWithParents(const std::filesystem::path& folder);

// Restricts a folder to its owner (rwx------); failures are ignored, the next
// file operation reports any real problem.
void MakeFolderOwnerOnly(const std::filesystem::path& folder);

} // namespace vk
