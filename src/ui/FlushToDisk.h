#pragma once

// Making written data durable before something it replaces is deleted: a
// power cut must never leave neither the readable item nor its locker.

#include <filesystem>

namespace vk {

// The file's bytes and metadata reach the disk. Raises vk::Error.
void FlushFileToDisk(const std::filesystem::path& file);
// A file, or a folder with every file and folder below it, reaches the disk.
// Links are neither followed nor flushed. Raises vk::Error.
void FlushTreeToDisk(const std::filesystem::path& item);

} // namespace vk
