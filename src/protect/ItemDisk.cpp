// Flushing and deleting items. Links are never followed inside a tree: a link
// is removed as itself, so nothing outside the tree is touched.

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

bool IsFolder(const fs::path& path) {
    return !IsLink(path) && platform::DirectoryExists(path);
}

// Deletes one entry after clearing the bits that would stand in its way.
void DeleteOne(const fs::path& entry, bool isFolder) {
    if (!IsLink(entry))
        platform::SetFileAttributes(entry, platform::FILE_ATTRIBUTE_NORMAL);
    if (isFolder)
        platform::RemoveDirectory(entry);
    else
        platform::DeleteFile(entry);
}

// Deepest entries first; goes on past failures so that as little as possible
// is left, and keeps the first one.
void DeleteBelow(const fs::path& folder, std::string& failedPath) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    if (error && failedPath.empty())
        failedPath = platform::Utf8FromPath(folder);
    for (const fs::path& entry : entries) {
        const bool isFolder = IsFolder(entry);
        if (isFolder)
            DeleteBelow(entry, failedPath);
        try {
            DeleteOne(entry, isFolder);
        } catch (const std::exception&) {
            if (failedPath.empty() && AnythingAt(entry))
                failedPath = platform::Utf8FromPath(entry);
        }
    }
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
    failedPath.clear();
    if (!AnythingAt(item))
        return true;
    const bool isFolder = IsFolder(item);
    if (isFolder)
        DeleteBelow(item, failedPath);
    try {
        DeleteOne(item, isFolder);
    } catch (const std::exception&) {
        if (failedPath.empty() && AnythingAt(item))
            failedPath = platform::Utf8FromPath(item);
    }
    if (failedPath.empty() && AnythingAt(item))
        failedPath = platform::Utf8FromPath(item);
    return failedPath.empty();
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

bool DeleteItem(const std::string& path, std::string& failedPath) {
    return protect::DeleteTree(platform::PathFromUtf8(path), failedPath);
}

} // namespace vk
