// Flushing and deleting items. Links are never followed inside a tree: a link
// is removed as itself, and deletion goes through folder handles, so nothing
// outside the tree is touched even when a folder is swapped for a link.

#include "platform/Error.h"
#include "protect/ProtectSteps.h"
#include "protect/uProtect.h"

#include <system_error>

namespace vk::protect {

namespace {

bool IsLink(const fs::path& path) {
    std::error_code error;
    return fs::is_symlink(path, error);
}

} // namespace

void FlushFile(const fs::path& file) {
    platform::FileStream stream(file, platform::FileStream::Mode::Read);
    stream.Sync();
    stream.Close();
}

void FlushTree(const fs::path& item) {
    if (IsLink(item) || !platform::PathExists(item))
        return;
    if (!platform::DirectoryExists(item)) {
        FlushFile(item);
        return;
    }
    std::error_code error;
    for (fs::directory_iterator it(item, error), end; !error && it != end; it.increment(error))
        FlushTree(it->path());
    if (error)
        throw Error("Cannot read folder \"" + platform::Utf8FromPath(item) + "\": " + error.message());
    platform::FlushFolder(item);
}

bool DeleteTree(const fs::path& item, std::string& failedPath) {
    return platform::DeleteTreeByHandle(item, failedPath);
}

void CreateFolders(const fs::path& folder) {
    if (folder.empty() || platform::DirectoryExists(folder))
        return;
    if (folder.has_parent_path() && folder.parent_path() != folder)
        CreateFolders(folder.parent_path());
    platform::CreateDirectory(folder);
}

void DeleteLockerFile(const fs::path& locker) {
    platform::SetFileAttributes(locker, platform::FILE_ATTRIBUTE_NORMAL);
    platform::DeleteFile(locker);
}

} // namespace vk::protect

namespace vk {

namespace fs = std::filesystem;

bool DeleteItem(const std::string& path, std::string& failedPath) {
    const fs::path item = platform::PathFromUtf8(path);
    // The item's own attributes first: its name leaves the folder's record of
    // hidden names with them. What lies below goes with the tree.
    platform::TItemStamp stamp;
    if (platform::ReadItemStamp(item, stamp) && stamp.Type != platform::TItemStamp::Kind::Link)
        platform::SetFileAttributes(item, platform::FILE_ATTRIBUTE_NORMAL);
    return protect::DeleteTree(item, failedPath);
}

} // namespace vk
