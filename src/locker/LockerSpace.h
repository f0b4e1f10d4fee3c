#pragma once

// The free-space check before a locker is written or extracted: an operation
// that cannot fit fails at once instead of after minutes of work.

#include <cstdint>
#include <filesystem>
#include <string>

namespace vk {

// Raises vk::Error naming the space needed and the space free when the file
// system of folder has less than needed bytes for this user. Says nothing
// when the system cannot tell.
void CheckFreeSpace(const std::filesystem::path& folder, std::uint64_t needed);

// A byte count for people: "812 bytes", "3.4 MiB", "1.25 GiB".
std::string SizeText(std::uint64_t bytes);

} // namespace vk
