// Removing the selected path from the list. A hidden path is restored first,
// so that no locker is left behind without a row that knows about it.

#include "platform/Error.h"
#include "ui/Prompts.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QTreeWidget>

namespace vk {

namespace {

// Restores the path with the window held busy, so that no other command (a
// run, a second removal, the import, the password change, a drop) starts on
// the same rows while the restore keeps the window responsive. No run is
// counted, so the progress bar and counter stay hidden; Stop stays usable and
// ends the restore like a run's.
bool RestoreHoldingCommands(TfrmMain& window, const QString& path, QString& message) {
    window.FBusy = true;
    window.FStopRequested = false;
    window.FCurrentItemIndex = 0;
    window.FTotalItems = 0;
    window.UpdateCommandStates();
    ScopeExit release([&window] {
        window.FBusy = false;
        window.FStopRequested = false;
        window.UpdateCommandStates();
    });
    return window.RestorePathFromLocker(path, message);
}

} // namespace

void TfrmMain::btnRemoveClick() {
    const QList<QTreeWidgetItem*> selected = ListViewPaths->selectedItems();
    if (selected.isEmpty()) {
        RefreshAllStatuses();
        UpdateCommandStates();
        return;
    }
    if (!FPrompts.ConfirmOkCancel(TranslatedText(
            "Selected paths will be decrypted and unhidden, then items will be removed from the list. Continue?")))
        return;

    QTreeWidgetItem* row = selected.first();
    const QString path = row->text(0);
    try {
        UpdateItemStatus(row);
        if (SameTextIgnoringAsciiCase(row->text(1), TranslatedText(StatusEncryptedHidden))) {
            QString message;
            if (!RestoreHoldingCommands(*this, path, message))
                throw Error(message.toStdString());
        }
        delete row;
        SaveSettings();
    } catch (const std::exception& error) {
        FPrompts.Message(TranslatedText("Error removing: ") + path + u'\n' + QString::fromStdString(error.what()));
    }
    RefreshAllStatuses();
    UpdateCommandStates();
}

} // namespace vk
