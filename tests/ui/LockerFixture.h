#pragma once

// Real lockers for GUI tests, made with the locker engine.

#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace vk::test {

// A folder with two files, one of them nested.
inline void MakePhotoFolder(const std::filesystem::path& folder) {
    WriteFile(folder / "beach.jpg", "sand and sea");
    WriteFile(folder / "2019" / "snow.jpg", "white");
}

// Locks the item into lockerPath, hides the locker and deletes the item, as
// hiding does. Returns the locker's recovery code.
inline std::string LockAway(const std::filesystem::path& item, const std::filesystem::path& lockerPath,
                            const std::string& password) {
    const TLockerResult result = CreateLocker(item.string(), lockerPath.string(), password);
    EXPECT_TRUE(result.Success) << result.MessageText;
    EXPECT_TRUE(platform::SetFileAttributes(lockerPath, platform::FILE_ATTRIBUTE_HIDDEN));
    std::filesystem::remove_all(item);
    return result.RecoveryCode;
}

} // namespace vk::test
