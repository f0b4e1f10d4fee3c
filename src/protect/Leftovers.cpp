#include "protect/ProtectSteps.h"

#include <system_error>

namespace vk::protect {

namespace {

// The one item an extraction folder holds, if it holds exactly one.
std::optional<fs::path> OnlyEntryOf(const fs::path& folder) {
    std::optional<fs::path> only;
    std::error_code error;
    int count = 0;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        only = it->path();
        ++count;
    }
    if (error || count != 1)
        return std::nullopt;
    return only;
}

void DeleteQuietly(const fs::path& item) {
    std::string failed;
    DeleteTree(item, failed);
}

bool PutBack(const fs::path& from, const fs::path& item) {
    try {
        platform::RenameNoReplace(from, item);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void Settle(const TLeftover& leftover, const fs::path& item, const fs::path& locker) {
    switch (leftover.Kind) {
    case TStageKind::Hide:
        // A complete item whose hide did not finish: it goes back under its
        // name, beside the locker if that was made.
        if (!AnythingAt(item))
            PutBack(leftover.Path, item);
        return;
    case TStageKind::Aside:
        // The existing item a replacing restore moved aside. While its name is
        // free the new item never arrived, so it goes back; otherwise the new
        // complete item is in place and the old one was to be replaced.
        if (!AnythingAt(item))
            PutBack(leftover.Path, item);
        else
            DeleteQuietly(leftover.Path);
        return;
    case TStageKind::Delete:
        DeleteQuietly(leftover.Path);
        return;
    case TStageKind::Extract:
        // A copy of the locker's item, complete or not, while the locker
        // exists; the only copy otherwise, which then takes the free name.
        if (!platform::FileExists(locker) && !AnythingAt(item))
            if (const std::optional<fs::path> only = OnlyEntryOf(leftover.Path))
                PutBack(*only, item);
        DeleteQuietly(leftover.Path);
        return;
    }
}

} // namespace

void SettleLeftovers(const fs::path& item, const fs::path& locker) {
    for (const TLeftover& leftover : LeftoversOf(item))
        Settle(leftover, item, locker);
}

} // namespace vk::protect
