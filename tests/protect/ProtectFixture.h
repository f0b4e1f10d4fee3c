#pragma once

#include "platform/uPlatform.h"
#include "protect/ProtectSteps.h"
#include "protect/uProtect.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <system_error>

namespace vk::test {

namespace fs = std::filesystem;

inline const std::string Password = "secret";

// Every entry below a folder, dot names included: relative path -> content
// ("<dir>" for folders, "-> target" for links).
inline std::map<std::string, std::string> Listing(const fs::path& root) {
    std::map<std::string, std::string> tree;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(root, error)))
        return tree;
    if (!fs::is_directory(fs::symlink_status(root, error))) {
        tree[""] = ReadFile(root);
        return tree;
    }
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        if (it->is_symlink())
            tree[relative] = "-> " + fs::read_symlink(it->path()).string();
        else
            tree[relative] = it->is_directory() ? "<dir>" : ReadFile(it->path());
    }
    return tree;
}

// The names in a folder (the hidden-names list ".hidden" left out).
inline std::set<std::string> NamesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != ".hidden")
            names.insert(entry.path().filename().string());
    return names;
}

// True when the locker opens with the password and holds exactly tree.
inline bool LockerHolds(const fs::path& locker, const std::map<std::string, std::string>& tree) {
    TempFolder out;
    const fs::path folder = out / "out";
    const TLockerResult result = ExtractLocker(locker.string(), folder.string(), Password);
    if (!result.Success)
        return false;
    const auto names = NamesIn(folder);
    return names.size() == 1 && Listing(folder / *names.begin()) == tree;
}

// What a hide killed right after its locker took the final name leaves: the
// item, its locker and the hide's note, which the locker authenticates.
inline void LeaveHiddenButNotDeleted(const fs::path& item) {
    const fs::path locker = item.string() + ".vklocker";
    const fs::path temporary = locker.string() + ".partial";
    ASSERT_TRUE(CreateLocker(item.string(), temporary.string(), Password).Success);
    protect::WriteHeldNote(item, protect::TakeSnapshot(item), temporary);
    fs::rename(temporary, locker);
}

// What a restore killed right after its item took the name leaves: the
// item, its locker, the empty private staging folder and the restore's note.
// aside names the existing item a replace set aside, if any.
inline void LeaveRestoredButLockerKept(const fs::path& item, const fs::path& aside = {}) {
    const fs::path locker = item.string() + ".vklocker";
    const fs::path ready = protect::StagingPath(item, protect::TStageKind::Ready);
    platform::CreatePrivateDirectory(ready);
    ASSERT_TRUE(ExtractLocker(locker.string(), ready.string(), Password).Success);
    const fs::path staged = ready / *NamesIn(ready).begin();
    protect::WriteNote(item, protect::TStageKind::Placed,
                       {{"placed", protect::IdentityAt(staged)},
                        {"aside", aside.empty() ? std::string("-") : protect::IdentityAt(aside)},
                        {"locker", "delete"}},
                       locker);
    fs::rename(staged, item);
}

class ProtectTest : public ::testing::Test {
protected:
    void TearDown() override { platform::faults::Clear(); }

    fs::path Item(const std::string& name = "Private") const { return Dir / name; }
    static fs::path LockerOf(const fs::path& item) { return item.string() + ".vklocker"; }

    // A folder with a file, an empty folder and a nested file.
    fs::path MakeTree(const std::string& name = "Private") const {
        WriteFile(Dir / name / "a.txt", "alpha");
        WriteFile(Dir / name / "sub" / "b.txt", "bravo bravo");
        fs::create_directories(Dir / name / "empty");
        return Dir / name;
    }

    TProtectOutcome Hide(const fs::path& item, const TProtectCallbacks& callbacks = {}) const {
        return HideItem(item.string(), Password, true, callbacks);
    }
    TProtectOutcome Restore(const fs::path& item, const TProtectCallbacks& callbacks = {},
                            const std::string& password = Password) const {
        return RestoreItem(item.string(), password, true, callbacks);
    }

    TempFolder Temp;
    // The items' folder (the temporary folder also holds the test's home).
    const fs::path Dir = [this] {
        fs::create_directories(Temp / "work");
        return Temp / "work";
    }();
};

// A conflict callback that answers and counts the questions.
struct ScriptedConflict {
    TConflictAnswer Answer = TConflictAnswer::Skip;
    int Asked = 0;
    TConflictFunc Func() {
        return [this](const std::string&) {
            ++Asked;
            return Answer;
        };
    }
    TProtectCallbacks Callbacks() {
        TProtectCallbacks callbacks;
        callbacks.Conflict = Func();
        return callbacks;
    }
};

} // namespace vk::test
