#pragma once

// Bringing a locker's item to a path: extracted into a private staging folder
// beside it, flushed, and moved into place with one rename while the name is
// free. Shared by restore, import and extraction.

#include "protect/ProtectSteps.h"
#include "protect/uProtect.h"

namespace vk::protect {

enum class TWhenTaken {
    Ask,    // the conflict callback decides (restore)
    Refuse, // the transaction fails and changes nothing (import, extraction)
};

struct TPlacement {
    fs::path Locker;
    fs::path Item;   // empty: beside the staging folder under the stored root name
    fs::path Folder; // where the staging folder goes
    bool DeleteLocker = true;
    TWhenTaken WhenTaken = TWhenTaken::Refuse;
};

TProtectOutcome PlaceFromLocker(const TPlacement& placement, const std::string& secret,
                                const TProtectCallbacks& callbacks);

} // namespace vk::protect
