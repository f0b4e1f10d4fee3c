// Deleting a tree through folder handles: every folder is opened relative to
// its parent's handle without following links, checked to be the folder that
// was listed, and emptied with unlinkat relative to its own handle. Someone
// who swaps a folder of the tree for a link meanwhile gets the link removed,
// never the folder it leads to emptied.

#include "platform/posix/FaultPoints.h"
#include "platform/posix/SystemError.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vk::platform {

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

struct TDeletion {
    std::string FailedPath;
    void Failed(const fs::path& shown) {
        if (FailedPath.empty())
            FailedPath = Utf8FromPath(shown);
    }
};

std::vector<std::string> NamesIn(int folder, bool& complete) {
    std::vector<std::string> names;
    complete = false;
    const int listing = ::dup(folder);
    if (listing < 0)
        return names;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return names;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    complete = errno == 0;
    ::closedir(dir);
    return names;
}

bool RemoveAt(int parent, const std::string& name, bool folder) {
    if (detail::ShouldFail(folder ? faults::Op::RemoveDirectory : faults::Op::Delete))
        return false;
    return ::unlinkat(parent, name.c_str(), folder ? AT_REMOVEDIR : 0) == 0 || errno == ENOENT;
}

// Deletes name inside the folder held by parent; goes on past failures so
// that as little as possible is left.
void DeleteAt(int parent, const std::string& name, const fs::path& shown, TDeletion& deletion) {
    struct stat listed {};
    if (::fstatat(parent, name.c_str(), &listed, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            deletion.Failed(shown);
        return;
    }
    if (!S_ISDIR(listed.st_mode)) {
        if (!RemoveAt(parent, name, false))
            deletion.Failed(shown);
        return;
    }
    const int folder = ::openat(parent, name.c_str(), FolderFlags);
    struct stat opened {};
    if (folder < 0 || ::fstat(folder, &opened) != 0 || opened.st_dev != listed.st_dev ||
        opened.st_ino != listed.st_ino) {
        // Not the folder that was listed: something took its place.
        if (folder >= 0)
            ::close(folder);
        deletion.Failed(shown);
        return;
    }
    // A folder its owner may not write cannot be emptied: it becomes
    // writable first, as the cleared read-only bit of a file would.
    if ((opened.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmod(folder, (opened.st_mode & 07777) | S_IRWXU);
    bool complete = false;
    for (const std::string& entry : NamesIn(folder, complete))
        DeleteAt(folder, entry, shown / entry, deletion);
    if (!complete)
        deletion.Failed(shown);
    ::close(folder);
    if (!RemoveAt(parent, name, true))
        deletion.Failed(shown);
}

} // namespace

bool DeleteTreeByHandle(const fs::path& path, std::string& failedPath) {
    failedPath.clear();
    const fs::path full = FullPath(path);
    const int parent = ::open(full.parent_path().c_str(), FolderFlags & ~O_NOFOLLOW);
    if (parent < 0) {
        failedPath = Utf8FromPath(full);
        return false;
    }
    TDeletion deletion;
    DeleteAt(parent, full.filename().native(), full, deletion);
    ::close(parent);
    struct stat left {};
    if (deletion.FailedPath.empty() && ::lstat(full.c_str(), &left) == 0)
        deletion.Failed(full);
    failedPath = deletion.FailedPath;
    return failedPath.empty();
}

} // namespace vk::platform
