#include "platform/posix/HiddenList.h"
#include "platform/uPlatform.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vk::platform::detail {

namespace fs = std::filesystem;

namespace {

constexpr const char* ListName = ".hidden";
constexpr mode_t DefaultListMode = 0644;

struct ListFile {
    bool Exists = false;
    mode_t Mode = DefaultListMode;
    std::vector<std::string> Names;
};

// A name that a line-based list can hold.
bool IsListableName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('\n') == std::string::npos;
}

// Reads the folder's list; false when it exists but cannot be read. A link in
// place of the list is not followed.
bool ReadList(int folder, ListFile& list) {
    const int fd = ::openat(folder, ListName, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return errno == ENOENT;
    struct stat info {};
    if (::fstat(fd, &info) == 0)
        list.Mode = info.st_mode & 07777;
    list.Exists = true;
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            list.Names.push_back(std::move(line));
        start = end + 1;
    }
    return true;
}

bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// A new file of a fresh name in the folder, for the list's next content.
int CreateTemporary(int folder, std::string& name) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::random_device random;
        name = ".hidden.";
        for (int i = 0; i < 8; ++i)
            name.push_back(digits[random() % (sizeof digits - 1)]);
        const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Replaces the list through a temporary file in the same folder, so a reader
// sees the old list or the new one, never a half-written one. Everything
// happens relative to the folder's handle: the rename replaces a link in
// place of the list instead of writing through it.
bool ReplaceList(int folder, const ListFile& list) {
    if (list.Names.empty())
        return ::unlinkat(folder, ListName, 0) == 0 || errno == ENOENT;
    std::string content;
    for (const std::string& name : list.Names)
        content += name + "\n";
    std::string temp;
    const int fd = CreateTemporary(folder, temp);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, content) && ::fchmod(fd, list.Mode) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::renameat(folder, temp.c_str(), folder, ListName) != 0) {
        ::unlinkat(folder, temp.c_str(), 0);
        return false;
    }
    return true;
}

// The item's folder, opened for the list's reads and writes.
class ParentFolder {
public:
    explicit ParentFolder(const fs::path& fullPath)
        : FHandle(::open(fullPath.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~ParentFolder() {
        if (FHandle >= 0)
            ::close(FHandle);
    }
    ParentFolder(const ParentFolder&) = delete;
    ParentFolder& operator=(const ParentFolder&) = delete;
    int Handle() const { return FHandle; }

private:
    int FHandle;
};

} // namespace

} // namespace vk::platform::detail

namespace vk::platform {

void RemoveStaleListTemporaries(const std::filesystem::path& folder) {
    const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return;
    DIR* dir = ::fdopendir(handle);
    if (dir == nullptr) {
        ::close(handle);
        return;
    }
    std::vector<std::string> stale;
    static const std::string head = ".hidden.";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() == head.size() + 8 && name.compare(0, head.size(), head) == 0 &&
            name.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz", head.size()) == std::string::npos)
            stale.push_back(name);
    }
    // Only the user's own plain files: one instance of the program runs per
    // user, so none of them is being written now.
    for (const std::string& name : stale) {
        struct stat info {};
        if (::fstatat(::dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::geteuid())
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

} // namespace vk::platform

namespace vk::platform::detail {

bool IsListedHidden(const fs::path& fullPath) {
    const std::string name = fullPath.filename().string();
    if (!IsListableName(name))
        return false;
    return IsListedIn(ListedHiddenNames(fullPath.parent_path()), name);
}

std::vector<std::string> ListedHiddenNames(const fs::path& folderFullPath) {
    const int folder = ::open(folderFullPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return {};
    ListFile list;
    const bool read = ReadList(folder, list);
    ::close(folder);
    return read ? list.Names : std::vector<std::string>();
}

bool IsListedIn(const std::vector<std::string>& names, const std::string& name) {
    return IsListableName(name) && std::find(names.begin(), names.end(), name) != names.end();
}

bool SetListedHidden(const fs::path& fullPath, bool hidden) {
    const std::string name = fullPath.filename().string();
    if (!IsListableName(name))
        return !hidden;
    const ParentFolder folder(fullPath);
    return folder.Handle() >= 0 && SetListedHiddenAt(folder.Handle(), name, hidden);
}

bool SetListedHiddenAt(int folder, const std::string& name, bool hidden) {
    if (!IsListableName(name))
        return !hidden;
    ListFile list;
    if (!ReadList(folder, list))
        return false;
    const auto listed = std::find(list.Names.begin(), list.Names.end(), name);
    if (hidden == (listed != list.Names.end()))
        return true;
    if (hidden)
        list.Names.push_back(name);
    else
        list.Names.erase(std::remove(list.Names.begin(), list.Names.end(), name), list.Names.end());
    return ReplaceList(folder, list);
}

} // namespace vk::platform::detail
