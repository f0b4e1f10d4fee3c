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

std::string ProofKey(const ProtectedItem& item, const std::string& password) {
    std::string key = ReadFile(item.Locker) + '\0' + password + '\0' + item.Item.filename().string();
    for (const auto& [relative, content] : item.Content)
        key += '\0' + relative + '\0' + content;
    return BytesToHex(Sha256Bytes(Utf8Bytes(key)));
}

// Empty when the locker opens with the password and holds the complete item.
std::string LockerFault(const ProtectedItem& item, const std::string& password, const fs::path& scratch) {
    if (!Exists(item.Locker))
        return "no locker";
    const std::string key = ProofKey(item, password);
    if (ProvedLockers().contains(key))
        return "";
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    TLockerResult result;
    try {
        result = ExtractLocker(item.Locker.string(), scratch.string(), password);
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

// A locker that opens with the password or, during a re-encryption, the new one.
std::string LockerFault(const ProtectedItem& item, const fs::path& scratch) {
    const std::string fault = LockerFault(item, item.Password, scratch);
    if (fault.empty() || item.NewPassword.empty())
        return fault;
    return LockerFault(item, item.NewPassword, scratch).empty() ? "" : fault;
}

// The first file below folder that holds a piece of the item's content in
// clear (pieces of 16 bytes and more), or empty.
std::string PlaintextFound(const ProtectedItem& item) {
    for (const auto& entry : fs::recursive_directory_iterator(item.Item.parent_path())) {
        if (fs::is_symlink(entry.symlink_status()) || !entry.is_regular_file())
            continue;
        const std::string bytes = ReadFile(entry.path());
        for (const auto& [relative, content] : item.Content)
            if (content != "/" && content.size() >= 16 && bytes.find(content.substr(0, 64)) != std::string::npos)
                return entry.path().filename().string() + " holds " + (relative.empty() ? "the item" : relative);
    }
    return "";
}

} // namespace

std::string PromiseBroken(const ProtectedItem& item, const fs::path& scratch) {
    if (!item.NewPassword.empty()) {
        if (Exists(item.Item))
            return "the item appeared during a re-encryption";
        const std::string found = PlaintextFound(item);
        if (!found.empty())
            return "content in clear: " + found;
    }
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
    if (state == EndState::Visible)
        return ItemFault(item);
    return LockerFault(item, item.NewPassword.empty() ? item.Password : item.NewPassword, scratch);
}

} // namespace vk::test
