#include "crash/Promise.h"

#include "locker/uLocker.h"
#include "platform/Error.h"
#include "security/uSecurityUtils.h"
#include "support/TempFolder.h"

#include <set>

namespace vk::test {

namespace {

namespace fs = std::filesystem;

bool Exists(const fs::path& path) {
    return fs::exists(fs::symlink_status(path));
}

// Lockers (by their bytes, with the password and the item) already proved:
// a restore's kills meet the same locker over and over, and each proof costs a
// key derivation.
std::set<std::string>& ProvedLockers() {
    static std::set<std::string> proved;
    return proved;
}

std::string ProofKey(const ProtectedItem& item) {
    std::string key = ReadFile(item.Locker) + '\0' + item.Password + '\0' + item.Item.filename().string();
    for (const auto& [relative, content] : item.Content)
        key += '\0' + relative + '\0' + content;
    return BytesToHex(Sha256Bytes(Utf8Bytes(key)));
}

// Empty when the locker opens with the password and holds the complete item.
std::string LockerFault(const ProtectedItem& item, const fs::path& scratch) {
    if (!Exists(item.Locker))
        return "no locker";
    const std::string key = ProofKey(item);
    if (ProvedLockers().contains(key))
        return "";
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
    if (!difference.empty())
        return "the locker's item is incomplete: " + difference;
    ProvedLockers().insert(key);
    return "";
}

// Empty when the complete item is under its name.
std::string ItemFault(const ProtectedItem& item) {
    const std::string difference = TreeDifference(item.Content, ReadItemTree(item.Item));
    return difference.empty() ? "" : "the item under its name is incomplete: " + difference;
}

} // namespace

std::string PromiseBroken(const ProtectedItem& item, const fs::path& scratch) {
    const bool replacedStands = !item.Replaced.empty() && ReadItemTree(item.Item) == item.Replaced;
    if (Exists(item.Item) && !replacedStands)
        return ItemFault(item);
    const std::string lockerFault = LockerFault(item, scratch);
    if (replacedStands)
        return lockerFault.empty() ? "" : "the replaced item under its name and " + lockerFault;
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
