#include "protect/ProtectSteps.h"

#include <algorithm>
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

bool IsEmptyFolder(const fs::path& folder) {
    std::error_code error;
    return fs::is_empty(folder, error) && !error;
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

// True when it finished a restore.
bool Settle(const TLeftover& leftover, const fs::path& item, const fs::path& locker) {
    switch (leftover.Kind) {
    case TStageKind::Hide:
        // Staged but not yet checked against the locker: it goes back under
        // its name while that is free (the locker beside it stays; the user
        // decides between the two), and is never deleted unchecked.
        if (!AnythingAt(item))
            PutBack(leftover.Path, item);
        return false;
    case TStageKind::Aside:
        // The existing item a replacing restore moved aside. While its name is
        // free the new item never arrived, so it goes back; otherwise the new
        // complete item is in place and the old one was to be replaced.
        if (!AnythingAt(item))
            PutBack(leftover.Path, item);
        else
            DeleteQuietly(leftover.Path);
        return false;
    case TStageKind::Delete:
        DeleteQuietly(leftover.Path);
        return false;
    case TStageKind::Extract:
        // Possibly partial: a copy while the locker exists, the only copy
        // otherwise, which then takes the free name.
        if (!platform::FileExists(locker) && !AnythingAt(item))
            if (const std::optional<fs::path> only = OnlyEntryOf(leftover.Path))
                PutBack(*only, item);
        DeleteQuietly(leftover.Path);
        return false;
    case TStageKind::Ready:
        // Complete. Empty once its item was moved into place: the item under
        // the name is the locker's, so the restore only has the locker's
        // deletion left to finish.
        if (const std::optional<fs::path> only = OnlyEntryOf(leftover.Path)) {
            if (!platform::FileExists(locker) && !AnythingAt(item))
                PutBack(*only, item);
        } else if (platform::FileExists(locker) && AnythingAt(item) && IsEmptyFolder(leftover.Path)) {
            try {
                DeleteLockerFile(locker);
                DeleteQuietly(leftover.Path);
                return true;
            } catch (const std::exception&) {
                return false; // the marker stays for the next run
            }
        }
        DeleteQuietly(leftover.Path);
        return false;
    case TStageKind::Held:
        // Serves a repeated hide while both the item and its locker remain;
        // settled after the others, once a staged item is back.
        if (!platform::FileExists(locker) || !AnythingAt(item))
            DeleteQuietly(leftover.Path);
        return false;
    }
    return false;
}

} // namespace

bool SettleLeftovers(const fs::path& item, const fs::path& locker) {
    bool finished = false;
    std::vector<TLeftover> leftovers = LeftoversOf(item);
    std::stable_partition(leftovers.begin(), leftovers.end(),
                          [](const TLeftover& leftover) { return leftover.Kind != TStageKind::Held; });
    for (const TLeftover& leftover : leftovers)
        finished = Settle(leftover, item, locker) || finished;
    return finished;
}

} // namespace vk::protect
