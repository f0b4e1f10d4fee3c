#pragma once

// A read-only look into a locker: its root name, kind and entry table, read
// after the whole payload has been authenticated. File contents are skipped,
// not decrypted, and nothing is written.

#include "locker/uLocker.h"

#include <string>
#include <vector>

namespace vk {

struct TLockerListing {
    std::string RootName;
    bool RootIsFolder = false;
    std::vector<TEntryInfo> Entries; // in stored order; SourceFullPath stays empty
    bool OpenedWithRecoveryCode = false;
};

// Opens the locker with the password or the recovery code and reads its entry
// table. Raises vk::Error with the same messages extraction reports ("Locker
// file does not exist.", "Invalid password or recovery code.", "Stream read
// error", ...).
TLockerListing ListLocker(const std::string& lockerPath, const std::string& secret);

} // namespace vk
