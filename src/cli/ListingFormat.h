#pragma once

// The text vklocker list prints for a locker's contents.

#include "locker/LockerListing.h"

#include <cstdint>
#include <string>

namespace vk::cli {

// Letters for the Windows attribute bits read-only, hidden, system, directory
// and archive, with "-" for a bit that is not set: "R-H-A" style, always five.
std::string AttributeLetters(std::int32_t attributes);

// Root name and kind, then one line per entry: kind, attributes, size in bytes
// and the path with "/" between components. Control characters in names are
// shown as "?" so that a crafted locker cannot drive the terminal.
std::string FormatListing(const TLockerListing& listing);

} // namespace vk::cli
