// Deleting a tree on Windows: a reparse point (link or junction) is removed as
// itself and never entered; folders are listed and emptied by path, deepest
// entries first.

#include "platform/uPlatform.h"

#include <exception>
#include <system_error>
#include <vector>

namespace vk::platform {

namespace {

bool AnythingAt(const fs::path& path) {
    TItemStamp stamp;
    return ReadItemStamp(path, stamp);
}

bool IsFolder(const fs::path& path) {
    TItemStamp stamp;
    return ReadItemStamp(path, stamp) && stamp.Type == TItemStamp::Kind::Folder;
}

void DeleteOne(const fs::path& entry, bool isFolder) {
    SetFileAttributes(entry, FILE_ATTRIBUTE_NORMAL);
    if (isFolder)
        RemoveDirectory(entry);
    else
        DeleteFile(entry);
}

void DeleteEntry(const fs::path& entry, std::string& failedPath) {
    const bool isFolder = IsFolder(entry);
    if (isFolder) {
        std::vector<fs::path> entries;
        std::error_code error;
        for (fs::directory_iterator it(entry, error), end; !error && it != end; it.increment(error))
            entries.push_back(it->path());
        if (error && failedPath.empty())
            failedPath = Utf8FromPath(entry);
        for (const fs::path& below : entries)
            DeleteEntry(below, failedPath);
    }
    try {
        DeleteOne(entry, isFolder);
    } catch (const std::exception&) {
        if (failedPath.empty() && AnythingAt(entry))
            failedPath = Utf8FromPath(entry);
    }
}

} // namespace

bool DeleteTreeByHandle(const fs::path& path, std::string& failedPath) {
    failedPath.clear();
    if (!AnythingAt(path))
        return true;
    DeleteEntry(path, failedPath);
    if (failedPath.empty() && AnythingAt(path))
        failedPath = Utf8FromPath(path);
    return failedPath.empty();
}

// Windows keeps the hidden bit on the item itself: no record to leave behind.
void RemoveStaleListTemporaries(const fs::path&) {}

} // namespace vk::platform
