// Importing a locker whose path has dropped out of the list: the locker is
// decrypted beside itself with its own password or recovery code, deleted,
// and its path listed again as a visible row. The transaction is the protect
// module's import: the item is built in a private staging folder, moved under
// the locker's name only while that name is free, and the locker is deleted
// only after the item and its folder reached the disk.

#include "protect/uProtect.h"
#include "ui/Prompts.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QFileInfo>

namespace vk {

namespace {

// A locker file with a name before its extension: a folder, another
// extension or a bare ".vklocker" (whose item would be its own folder) is not.
bool IsImportableLocker(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && IsLockerFileName(path.toStdString()) &&
           info.fileName().size() > QString::fromUtf8(LockerExtension).size();
}

} // namespace

void TfrmMain::btnImportLockerClick() {
    const std::optional<QString> picked = FPrompts.PickLockerToImport();
    if (!picked || picked->isEmpty())
        return;
    ImportLockerFile(*picked);
}

void TfrmMain::ImportLockerFile(const QString& lockerPath) {
    if (!IsImportableLocker(lockerPath)) {
        FPrompts.Message(TranslatedText("Please select a valid .vklocker file."));
        return;
    }
    const std::optional<QString> secret =
        FPrompts.AskSecret(TranslatedText("Locker Password"),
                           TranslatedText("Enter the password or the recovery code for this locker file:"));
    if (!secret)
        return;
    if (secret->isEmpty()) {
        FPrompts.Message(TranslatedText("Password is required."));
        return;
    }

    // The import runs in the busy state with the progress bar and Stop, as a
    // run of one item.
    TProtectOutcome outcome;
    {
        BeginBusy(1);
        ScopeExit leaveBusy([this] { EndBusy(); });
        FCurrentItemIndex = 1;
        UpdateStatusLabel();
        outcome = ImportLocker(lockerPath.toStdString(), secret->toStdString(),
                               {ProgressCallback(), CancelCallback(), {}, {}});
    }
    if (!outcome.Success) {
        const std::string& text = outcome.MessageText;
        FPrompts.Message(text.empty() ? TranslatedText("Failed to import locker file.") : QString::fromStdString(text));
        return;
    }
    AddPath(QString::fromStdString(outcome.ItemPath));
    RefreshAllStatuses();
    SaveSettings();
    UpdateCommandStates();
}

} // namespace vk
