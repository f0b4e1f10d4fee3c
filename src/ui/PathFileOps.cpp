// Items on disk: setting the hiding attributes, clearing them through a tree
// and deleting a file or a folder tree. Shared by hiding and restoring.
//
// Links are never followed inside a tree and never changed: a link is removed
// as itself, so nothing outside the tree is touched and a link that leads back
// into the tree cannot make the walk go round forever.

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

namespace vk {

namespace fs = std::filesystem;
using namespace platform;

namespace {

constexpr std::uint32_t HidingBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr std::uint32_t ProtectionBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool IsLink(const fs::path& path) {
    std::error_code error;
    return fs::is_symlink(path, error);
}

// The entries of a folder; an unreadable folder has none.
std::vector<fs::path> EntriesOf(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    return entries;
}

void ClearProtectionBits(const fs::path& path) {
    const std::uint32_t attributes = GetFileAttributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributes(path, attributes & ~ProtectionBits);
}

// Deletes everything below folder, deepest entries first. Failures on single
// entries are not reported.
void DeleteTreeBelow(const fs::path& folder) {
    for (const fs::path& entry : EntriesOf(folder)) {
        const bool isFolder = !IsLink(entry) && DirectoryExists(entry);
        if (isFolder)
            DeleteTreeBelow(entry);
        try {
            if (!IsLink(entry))
                SetFileAttributes(entry, FILE_ATTRIBUTE_NORMAL);
            if (isFolder)
                RemoveDirectory(entry);
            else
                DeleteFile(entry);
        } catch (const Error&) {
            // left in place; the caller reports nothing for single entries
        }
    }
}

} // namespace

void TfrmMain::SetPathHidden(const QString& path, bool hide, bool strong) {
    const fs::path item = ToPath(path);
    std::uint32_t attributes = GetFileAttributes(item);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw Error(TranslatedText("Path not found: %s").replace(QStringLiteral("%s"), path).toStdString());
    if (hide)
        attributes |= FILE_ATTRIBUTE_HIDDEN | (strong ? FILE_ATTRIBUTE_SYSTEM : 0);
    else
        attributes &= ~HidingBits;
    errno = 0;
    if (!SetFileAttributes(item, attributes)) {
        const int code = errno != 0 ? errno : EIO;
        throw Error(std::error_code(code, std::generic_category()).message());
    }
}

void TfrmMain::ClearAttributesTree(const QString& path) {
    const fs::path item = ToPath(path);
    if (IsLink(item))
        return;
    if (FileExists(item)) {
        ClearProtectionBits(item);
    } else if (DirectoryExists(item)) {
        ClearProtectionBits(item);
        for (const fs::path& entry : EntriesOf(item))
            ClearAttributesTree(ToQString(entry));
    }
}

void TfrmMain::DeletePath(const QString& path) {
    const fs::path item = ToPath(path);
    const bool link = IsLink(item);
    if (!link && !PathExists(item))
        return;
    ClearAttributesTree(path);
    if (link || FileExists(item)) {
        DeleteFile(item); // a link goes as itself, never its target
        return;
    }
    DeleteTreeBelow(item);
    try {
        SetFileAttributes(item, FILE_ATTRIBUTE_NORMAL);
        RemoveDirectory(item);
    } catch (const Error&) {
        // what could not be removed stays; not reported
    }
}

bool TryDeletePath(const QString& path) {
    const fs::path item = ToPath(path);
    std::error_code error;
    if (!PathExists(item) && !fs::is_symlink(item, error))
        return true;
    try {
        TfrmMain::DeletePath(path);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace vk
