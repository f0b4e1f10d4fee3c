#include "platform/posix/HiddenList.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
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

// Reads the list; false when it exists but cannot be read.
bool ReadList(const fs::path& listPath, ListFile& list) {
    const int fd = ::open(listPath.c_str(), O_RDONLY | O_CLOEXEC);
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

// Replaces the list through a temporary file in the same folder, so a reader
// sees the old list or the new one, never a half-written one.
bool ReplaceList(const fs::path& listPath, const ListFile& list) {
    if (list.Names.empty()) {
        return ::unlink(listPath.c_str()) == 0 || errno == ENOENT;
    }
    std::string content;
    for (const std::string& name : list.Names)
        content += name + "\n";
    std::string temp = (listPath.parent_path() / ".hidden.XXXXXX").string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, content) && ::fchmod(fd, list.Mode) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), listPath.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

bool IsListedHidden(const fs::path& fullPath) {
    const std::string name = fullPath.filename().string();
    if (!IsListableName(name))
        return false;
    ListFile list;
    if (!ReadList(fullPath.parent_path() / ListName, list))
        return false;
    return std::find(list.Names.begin(), list.Names.end(), name) != list.Names.end();
}

bool SetListedHidden(const fs::path& fullPath, bool hidden) {
    const std::string name = fullPath.filename().string();
    if (!IsListableName(name))
        return !hidden;
    const fs::path listPath = fullPath.parent_path() / ListName;
    ListFile list;
    if (!ReadList(listPath, list))
        return false;
    const auto listed = std::find(list.Names.begin(), list.Names.end(), name);
    if (hidden == (listed != list.Names.end()))
        return true;
    if (hidden)
        list.Names.push_back(name);
    else
        list.Names.erase(std::remove(list.Names.begin(), list.Names.end(), name), list.Names.end());
    return ReplaceList(listPath, list);
}

} // namespace vk::platform::detail
