#pragma once

// The block of item times and permission bits that follows a locker's payload.
// Readers of the base layout ignore every byte after the payload, so they open
// a locker with this block and get the same items; this engine restores the
// times and modes when the block authenticates, and the owner-only modes of
// the base layout otherwise.
//
// Layout, from the first byte after the payload (integers little-endian):
//
//   offset  size      field
//   0       4         magic: the ASCII bytes "VKIT"
//   4       4         version, 32-bit signed: 1
//   8       4         record count n, 32-bit signed: the entry count, plus one
//                     for a folder root (its record comes first); in clear,
//                     as the block's length shows it anyway
//   12      16        nonce: random, the first AES-256-CTR counter block of
//                     the records
//   28      16 * n    records, encrypted as one AES-256-CTR stream under
//                     HMAC-SHA256(master key, "times-enc") from the nonce on;
//                     each in the order of the payload's entries:
//                       modification time, 64-bit signed seconds since
//                       1970-01-01 UTC (negative before it)
//                       nanoseconds within that second, 32-bit signed,
//                       0 to 999999999
//                       permission bits, 32-bit signed: the 0777 bits of
//                       owner, group and others, or -1 when the system that
//                       wrote the locker has none (Windows); set-user-ID,
//                       set-group-ID and sticky are never stored
//   28+16n  32        MAC: HMAC-SHA256 under HMAC-SHA256(master key,
//                     "times-mac") over the locker's 32-byte payload MAC, then
//                     bytes 0 to 28+16n-1 of this block (encrypt-then-MAC)
//
// The payload MAC under the block's own MAC binds the block to its locker's
// payload. Bytes after the block belong to nothing.

#include "locker/LockerEntryTable.h"
#include "locker/LockerFormat.h"
#include "platform/uPlatform.h"

#include <optional>
#include <vector>

namespace vk {

struct TItemTimes {
    platform::TModifyTime ModifyTime;
    std::optional<std::uint32_t> Permissions; // 0777 bits; none from Windows
    bool operator==(const TItemTimes&) const = default;
};

// The records a locker with this entry table holds: the root folder's first,
// then one per entry.
std::size_t ItemTimesRecordCount(const TEntryTable& table);

// Bytes of the block for a number of records.
std::uint64_t ItemTimesSize(std::size_t recordCount);

// Writes the block at the stream's position: the end of the payload.
void WriteItemTimes(platform::FileStream& stream, const Bytes& masterKey, const Bytes& payloadMac,
                    const std::vector<TItemTimes>& records);

enum class ItemTimesState { Absent, Valid, Damaged };
struct TItemTimesBlock {
    ItemTimesState State = ItemTimesState::Absent;
    std::vector<TItemTimes> Records; // when Valid: exactly the count asked for
};

// Reads the block after the header's payload, expecting recordCount records.
// Absent when the file ends with the payload; Damaged for any other bytes
// there that are not a block of this locker with that many valid records.
// Nothing is decrypted before the block's MAC matches. Raises only for a
// failing read of the file.
TItemTimesBlock ReadItemTimes(platform::FileStream& stream, const Bytes& masterKey, const TLockerHeader& header,
                              std::size_t recordCount);

} // namespace vk
