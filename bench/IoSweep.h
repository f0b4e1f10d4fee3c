#pragma once

// The I/O-size sweep: how long the file system takes to write and read back
// the same amount of data with plain read and write calls of each size. The
// engine's chunk size is chosen from these figures.

#include <cstdint>
#include <filesystem>

namespace vk::bench {

// Prints one row per size: write and read seconds for totalBytes, using a
// scratch file in folder that is removed afterwards.
void RunIoSweep(const std::filesystem::path& folder, std::int64_t totalBytes);

} // namespace vk::bench
