#include "platform/posix/FaultPoints.h"
#include "platform/posix/HiddenList.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace vk::platform {

namespace {

// System and archive have no counterpart in a POSIX file system; they are kept
// as a decimal number in this extended attribute.
constexpr const char* ExtraBitsAttribute = "user.veilkeep.attributes";
constexpr std::uint32_t ExtraBits = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr mode_t AnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

bool StartsWithDot(const fs::path& fullPath) {
    const std::string name = fullPath.filename().string();
    return !name.empty() && name.front() == '.';
}

std::uint32_t ReadExtraBits(const fs::path& fullPath) {
    char value[16] = {};
    const ssize_t size = ::getxattr(fullPath.c_str(), ExtraBitsAttribute, value, sizeof value - 1);
    if (size <= 0)
        return 0;
    try {
        return static_cast<std::uint32_t>(std::stoul(std::string(value, static_cast<std::size_t>(size)))) & ExtraBits;
    } catch (const std::exception&) {
        return 0; // a value we did not write: no bits
    }
}

// Writes the bits, or removes the attribute when none is set. A file system
// without extended attributes cannot keep them; that is not a failure.
bool WriteExtraBits(const fs::path& fullPath, std::uint32_t bits) {
    if (bits == 0) {
        if (::removexattr(fullPath.c_str(), ExtraBitsAttribute) == 0)
            return true;
        return errno == ENODATA || errno == ENOTSUP;
    }
    const std::string value = std::to_string(bits);
    if (::setxattr(fullPath.c_str(), ExtraBitsAttribute, value.data(), value.size(), 0) == 0)
        return true;
    return errno == ENOTSUP;
}

bool SetExtraBits(const fs::path& fullPath, const struct stat& info, std::uint32_t bits) {
    if (ReadExtraBits(fullPath) == bits)
        return true;
    // Changing a user attribute needs write permission; a read-only item gets
    // it back for the moment of the change.
    const bool readOnly = (info.st_mode & S_IWUSR) == 0;
    if (readOnly && ::chmod(fullPath.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0)
        return false;
    const bool written = WriteExtraBits(fullPath, bits);
    if (readOnly && ::chmod(fullPath.c_str(), info.st_mode & 07777) != 0)
        return false;
    return written;
}

bool SetReadOnly(const fs::path& fullPath, const struct stat& info, bool readOnly) {
    const mode_t mode = info.st_mode & 07777;
    // Setting removes every write bit; clearing gives the owner write back.
    const mode_t wanted = readOnly ? (mode & ~AnyWrite) : (mode | S_IWUSR);
    return wanted == mode || ::chmod(fullPath.c_str(), wanted) == 0;
}

// listedHidden answers whether the folder's list names the item; it is asked
// only for an item that exists and whose name has no leading dot.
template <typename ListedHidden>
ItemAttributes AttributesOf(const fs::path& fullPath, const ListedHidden& listedHidden) {
    struct stat info {};
    if (fullPath.empty() || ::stat(fullPath.c_str(), &info) != 0)
        return {};
    std::uint32_t attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((info.st_mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (StartsWithDot(fullPath) || listedHidden())
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    attributes |= ReadExtraBits(fullPath);
    ItemAttributes item{
        attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes,
        std::nullopt,
        {static_cast<std::int64_t>(info.st_mtim.tv_sec), static_cast<std::int32_t>(info.st_mtim.tv_nsec)},
        static_cast<std::uint32_t>(info.st_mode & 0777)};
    if (S_ISREG(info.st_mode))
        item.FileSize = static_cast<std::uint64_t>(info.st_size);
    return item;
}

} // namespace

std::uint32_t GetFileAttributes(const fs::path& path) {
    const fs::path fullPath = FullPath(path);
    return AttributesOf(fullPath, [&] { return detail::IsListedHidden(fullPath); }).Bits;
}

FolderAttributes::FolderAttributes(const fs::path& folder)
    : FFolder(FullPath(folder)), FHiddenNames(detail::ListedHiddenNames(FFolder)) {}

ItemAttributes FolderAttributes::Get(const fs::path& item) const {
    const fs::path fullPath = FFolder / item.filename();
    return AttributesOf(fullPath, [&] { return detail::IsListedIn(FHiddenNames, fullPath.filename().string()); });
}

bool SetFileAttributes(const fs::path& path, std::uint32_t attributes) {
    const fs::path fullPath = FullPath(path);
    struct stat info {};
    if (fullPath.empty() || ::stat(fullPath.c_str(), &info) != 0)
        return false;
    if (detail::ShouldFail(faults::Op::SetAttributes))
        return false;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    // Write permission first when it is given back, last when it is taken,
    // so that the extended attribute can be changed in between.
    if (!readOnly && !SetReadOnly(fullPath, info, false))
        return false;
    if (!readOnly)
        ::stat(fullPath.c_str(), &info);
    bool ok = SetExtraBits(fullPath, info, attributes & ExtraBits);
    // A leading dot hides the name whatever the list says; only the list is ours to edit.
    const bool hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    if (!(hidden && StartsWithDot(fullPath)))
        ok = detail::SetListedHidden(fullPath, hidden) && ok;
    if (readOnly)
        ok = SetReadOnly(fullPath, info, true) && ok;
    return ok;
}

} // namespace vk::platform
