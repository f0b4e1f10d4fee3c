#pragma once

// The promise every hide, restore and import keeps: at every instant the user
// has the complete readable item under its name or a locker that opens with
// the password — never a partial item under the real name, never neither.

#include "crash/ItemTree.h"

#include <filesystem>
#include <string>

namespace vk::test {

// One protected item: its real name, its locker beside it, the password and
// what the item holds.
struct ProtectedItem {
    std::filesystem::path Item;
    std::filesystem::path Locker;
    std::string Password;
    ItemTree Content;
    // A restore that replaces an existing item: what that item holds. While
    // it stands under the name, the locker must still hold Content.
    ItemTree Replaced;
    // A re-encryption under a new password: the locker may open with this one
    // instead of Password, and must at the end; the item never appears, and
    // no file anywhere beside it holds its content in clear.
    std::string NewPassword;
};

// Empty when the promise holds now; otherwise what breaks it. A locker is
// proved by extracting it into scratch (a folder of the test's own, emptied
// first) and comparing what comes out.
std::string PromiseBroken(const ProtectedItem& item, const std::filesystem::path& scratch);

enum class EndState {
    Hidden,  // only the locker, which opens and holds the item
    Visible, // only the complete item
};

// Empty when the item's folder holds exactly the end state (the folder's list
// of hidden names aside: no staging or temporary leftovers); otherwise what
// differs.
std::string EndStateMissed(const ProtectedItem& item, EndState state, const std::filesystem::path& scratch);

} // namespace vk::test
