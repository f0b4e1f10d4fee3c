#include "crash/Promise.h"

#include "locker/uLocker.h"
#include "platform/Error.h"

#include <set>

namespace vk::test {

namespace {

namespace fs = std::filesystem;

bool Exists(const fs::path& path) {
    return fs::exists(fs::symlink_status(path));
}

// Empty when the locker opens with the password and holds the complete item.
std::string LockerFault(const ProtectedItem& item, const fs::path& scratch) {
    if (!Exists(item.Locker))
        return "no locker";
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    TLockerResult result;
    try {
        result = ExtractLocker(item.Locker.string(), scratch.string(), item.Password);
    } catch (const Error& e) {
        return std::string("the locker does not open: ") + e.what();
    }
    if (!result.Success)
        return "the locker does not open: " + result.MessageText;
    const std::string difference = TreeDifference(item.Content, ReadItemTree(scratch / item.Item.filename()));
    return difference.empty() ? "" : "the locker's item is incomplete: " + difference;
}

// Empty when the complete item is under its name.
std::string ItemFault(const ProtectedItem& item) {
    const std::string difference = TreeDifference(item.Content, ReadItemTree(item.Item));
    return difference.empty() ? "" : "the item under its name is incomplete: " + difference;
}

} // namespace

std::string PromiseBroken(const ProtectedItem& item, const fs::path& scratch) {
    if (Exists(item.Item))
        return ItemFault(item);
    const std::string lockerFault = LockerFault(item, scratch);
    return lockerFault.empty() ? "" : "no item under its name and " + lockerFault;
}

std::string EndStateMissed(const ProtectedItem& item, EndState state, const fs::path& scratch) {
    const fs::path kept = state == EndState::Hidden ? item.Locker : item.Item;
    std::set<fs::path> extra;
    for (const auto& entry : fs::directory_iterator(item.Item.parent_path()))
        if (entry.path() != kept && entry.path().filename() != ".hidden")
            extra.insert(entry.path().filename());
    if (!extra.empty())
        return "left in the folder: " + extra.begin()->string();
    return state == EndState::Hidden ? LockerFault(item, scratch) : ItemFault(item);
}

} // namespace vk::test
