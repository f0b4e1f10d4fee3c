#include "locker/LockerEntries.h"

#include "locker/LockerPaths.h"
#include "locker/LockerStreams.h"
#include "locker/LockerText.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

constexpr const char* HiddenListName = ".hidden";

// True when inner is outer itself or lies below it (both canonical).
bool IsWithin(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end())
            break; // a trailing separator
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

struct Walk {
    fs::path CanonicalBase;
    TEntryList& List;
    std::vector<TItemTimes>* Times;
    // The canonical folders from the root down to the one being listed.
    std::vector<fs::path> Ancestors;
};

void CheckFolderLink(const Walk& walk, const fs::path& link, const fs::path& target) {
    bool loops = IsWithin(target, walk.CanonicalBase);
    for (const fs::path& ancestor : walk.Ancestors)
        loops = loops || IsWithin(ancestor, target);
    if (loops)
        throw Error(TranslateFormat("The folder link \"%s\" leads back into the folder being locked.",
                                    platform::Utf8FromPath(link)));
}

void Collect(Walk& walk, const fs::path& dir, const std::string& storedDir) {
    const platform::FolderAttributes folderAttributes(dir);
    // Every kind of entry, in the order the file system returns them.
    for (const fs::directory_entry& item : fs::directory_iterator(dir)) {
        const fs::path full = item.path();
        const fs::path name = full.filename();
        // A folder's ".hidden" list is where the platform keeps the hidden
        // attribute of its items; each entry stores that bit itself.
        if (name == HiddenListName)
            continue;
        std::string stored = StoredRelativePath(name);
        stored = SanitizeRelativePath(storedDir.empty() ? stored : storedDir + "\\" + stored);

        const platform::ItemAttributes attributes = folderAttributes.Get(full);
        if (attributes.Bits == platform::INVALID_FILE_ATTRIBUTES)
            throw Error(TranslateFormat("Cannot read the attributes of \"%s\".", platform::Utf8FromPath(full)));
        TEntryInfo entry;
        entry.RelativePath = stored;
        entry.SourceFullPath = platform::Utf8FromPath(full);
        entry.Attr = static_cast<std::int32_t>(attributes.Bits);
        entry.IsDir = (attributes.Bits & platform::FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Only a regular file has contents to store: a pipe would block the
        // reader and a device never ends.
        if (!entry.IsDir && !attributes.FileSize)
            throw fs::filesystem_error("cannot get file size", full,
                                       std::make_error_code(std::errc::operation_not_supported));
        entry.Size = entry.IsDir ? 0 : static_cast<std::int64_t>(*attributes.FileSize);
        walk.List.push_back(entry);
        if (walk.Times != nullptr)
            walk.Times->push_back({attributes.ModifyTime, attributes.Permissions});

        if (entry.IsDir) {
            fs::path canonical = walk.Ancestors.back() / name;
            if (item.is_symlink()) {
                canonical = fs::canonical(full);
                CheckFolderLink(walk, full, canonical);
            }
            walk.Ancestors.push_back(canonical);
            Collect(walk, full, stored);
            walk.Ancestors.pop_back();
        }
    }
}

} // namespace

void CollectEntries(const fs::path& baseDir, const fs::path& dir, TEntryList& list, std::vector<TItemTimes>* times) {
    Walk walk{fs::canonical(baseDir), list, times, {}};
    walk.Ancestors.push_back(fs::canonical(dir));
    std::string storedDir;
    if (dir != baseDir)
        storedDir = SanitizeRelativePath(StoredRelativePath(dir.lexically_relative(baseDir)));
    Collect(walk, dir, storedDir);
}

TItemTimes ItemTimesOf(const fs::path& path) {
    const fs::path full = platform::FullPath(path);
    const platform::ItemAttributes attributes = platform::FolderAttributes(full.parent_path()).Get(full);
    if (attributes.Bits == platform::INVALID_FILE_ATTRIBUTES)
        return {};
    return {attributes.ModifyTime, attributes.Permissions};
}

std::int32_t FileAttributesOrZero(const fs::path& path) {
    const std::uint32_t attributes = platform::GetFileAttributes(path);
    return attributes == platform::INVALID_FILE_ATTRIBUTES ? 0 : static_cast<std::int32_t>(attributes);
}

std::int64_t EntryHeaderSize(const TEntryInfo& entry) {
    return EncodedStringSize(entry.RelativePath) + 13;
}

std::int64_t TotalPayloadSize(const std::string& rootName, const TEntryList& list) {
    std::int64_t total = EncodedStringSize(rootName) + 5;
    for (const TEntryInfo& entry : list)
        total += EntryHeaderSize(entry) + entry.Size;
    return total;
}

} // namespace vk
