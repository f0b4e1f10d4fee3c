#include "protect/ProtectSteps.h"

#include <map>
#include <system_error>

namespace vk::protect {

namespace {

using platform::TItemStamp;

void Walk(const fs::path& folder, const std::string& relative, TSnapshot& snapshot) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string entry = platform::Utf8FromPath(it->path().filename());
        const std::string name = relative.empty() ? entry : relative + "/" + entry;
        TItemStamp stamp;
        if (!platform::ReadItemStamp(it->path(), stamp))
            continue;
        snapshot.emplace_back(name, stamp);
        if (stamp.Type == TItemStamp::Kind::Folder)
            Walk(it->path(), name, snapshot);
    }
    if (error) // an unreadable folder cannot be shown to be unchanged
        snapshot.emplace_back(relative + "/?", TItemStamp{});
}

// A folder's own times change whenever an entry comes or goes, which the
// entries themselves show; the folder counts as the same while it is the
// same folder. The root's change time moves with the root's rename.
bool SameEntry(const TItemStamp& before, const TItemStamp& after, bool ignoreChangeTime) {
    if (before.Type != after.Type || before.Device != after.Device || before.Inode != after.Inode)
        return false;
    if (before.Type == TItemStamp::Kind::Folder)
        return true;
    return before.Size == after.Size && before.ModifyTimeNs == after.ModifyTimeNs &&
           (ignoreChangeTime || before.ChangeTimeNs == after.ChangeTimeNs);
}

} // namespace

TSnapshot TakeSnapshot(const fs::path& root) {
    TSnapshot snapshot;
    TItemStamp stamp;
    if (!platform::ReadItemStamp(root, stamp))
        return snapshot;
    snapshot.emplace_back(std::string(), stamp);
    if (stamp.Type == TItemStamp::Kind::Folder)
        Walk(root, std::string(), snapshot);
    return snapshot;
}

std::optional<std::string> FirstChange(const TSnapshot& before, const TSnapshot& after, bool rootMoved) {
    const std::map<std::string, TItemStamp> now(after.begin(), after.end());
    // Files before folders, so that a file added to a folder is named rather
    // than the folder; the root last.
    std::optional<std::string> firstFolder;
    for (const auto& [relative, stamp] : before) {
        const auto found = now.find(relative);
        const bool same = found != now.end() && SameEntry(stamp, found->second, rootMoved && relative.empty());
        if (same)
            continue;
        if (stamp.Type != TItemStamp::Kind::Folder)
            return relative;
        if (!firstFolder)
            firstFolder = relative;
    }
    if (now.size() != before.size() || before.size() != after.size()) {
        const std::map<std::string, TItemStamp> then(before.begin(), before.end());
        for (const auto& [relative, stamp] : after)
            if (then.find(relative) == then.end())
                return relative;
    }
    return firstFolder;
}

} // namespace vk::protect
