// Items on disk: setting the hiding attributes, clearing them through a tree
// and deleting a file or a folder tree. The deletion itself belongs to the
// protect module; these are the window's names for it.
//
// Links are never followed inside a tree and never changed: a link is removed
// as itself, so nothing outside the tree is touched and a link that leads back
// into the tree cannot make the walk go round forever.

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "protect/uProtect.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>

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

void ClearProtectionBits(const fs::path& path) {
    const std::uint32_t attributes = GetFileAttributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributes(path, attributes & ~ProtectionBits);
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
    ClearProtectionBits(item);
    if (!DirectoryExists(item))
        return;
    std::error_code error;
    for (fs::directory_iterator it(item, error), end; !error && it != end; it.increment(error))
        ClearAttributesTree(ToQString(it->path()));
}

void TfrmMain::DeletePath(const QString& path) {
    std::string failed;
    if (!DeleteItem(path.toStdString(), failed))
        throw Error(TranslateText("Could not delete: ") + failed);
}

bool TryDeletePath(const QString& path) {
    std::string failed;
    return DeleteItem(path.toStdString(), failed);
}

} // namespace vk
