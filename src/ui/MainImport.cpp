// Importing a locker whose path has dropped out of the list: the locker is
// decrypted beside itself with its own password or recovery code, deleted,
// and its path listed again as a visible row.

#include "platform/uPlatform.h"
#include "ui/Prompts.h"
#include "ui/StagedExtraction.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QFileInfo>
#include <cstdint>

namespace vk {

namespace {

const QString LockerSuffix = QString::fromUtf8(LockerExtension);

// A locker file with a name before its extension: a folder, another
// extension or a bare ".vklocker" (whose item would be its own folder) is not.
bool IsImportableLocker(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && IsLockerFileName(path.toStdString()) && info.fileName().size() > LockerSuffix.size();
}

} // namespace

void TfrmMain::btnImportLockerClick() {
    const std::optional<QString> picked = FPrompts.PickLockerToImport();
    if (!picked || picked->isEmpty())
        return;
    const QString lockerPath = *picked;
    if (!IsImportableLocker(lockerPath)) {
        FPrompts.Message(TranslatedText("Please select a valid .vklocker file."));
        return;
    }
    const std::optional<QString> secret =
        FPrompts.AskText(TranslatedText("Locker Password"), TranslatedText("Enter the password for this locker file:"));
    if (!secret)
        return;
    if (secret->isEmpty()) {
        FPrompts.Message(TranslatedText("Password is required."));
        return;
    }

    // The item is named after the locker's file name without its extension,
    // in the locker's own folder.
    const QString itemPath = lockerPath.left(lockerPath.size() - LockerSuffix.size());
    const QString folder = QFileInfo(itemPath).absolutePath();
    const TStagedExtraction extraction = ExtractLockerWithoutReplacing(lockerPath, folder, secret->toStdString());
    if (!extraction.Result.Success) {
        const std::string& text = extraction.Result.MessageText;
        FPrompts.Message(text.empty() ? TranslatedText("Failed to import locker file.") : QString::fromStdString(text));
        return;
    }

    const std::uint32_t lockerAttributes = platform::GetFileAttributes(ToPath(lockerPath));
    try {
        DeletePath(lockerPath);
    } catch (const std::exception&) {
        // The locker stays, so the recreated items go again and the locker
        // gets back the attributes it had: the import leaves everything as it
        // found it, and the error is shown to the user.
        if (platform::FileExists(ToPath(lockerPath))) {
            for (const QString& placed : extraction.Placed)
                TryDeletePath(placed);
            platform::SetFileAttributes(ToPath(lockerPath), lockerAttributes);
            throw;
        }
    }
    AddPath(itemPath);
    RefreshAllStatuses();
    SaveSettings();
    UpdateCommandStates();
}

} // namespace vk
