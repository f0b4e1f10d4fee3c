// Removing the selected path from the list. A hidden path is restored first,
// so that no locker is left behind without a row that knows about it.

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "ui/Prompts.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QProgressBar>
#include <QTreeWidget>

namespace vk {

namespace {

// Restores the path in the busy state, so that no other command (a run, a
// second removal, the import, the password change, a drop) starts on the same
// rows while the restore keeps the window responsive, and a close request
// waits until the restore has ended. No run is counted, so the progress bar
// stays hidden and the counter empty; Stop ends the restore as it ends a run's.
bool RestoreWhileBusy(TfrmMain& window, const QString& path, QString& message) {
    window.BeginBusy(0);
    window.ProgressBar1->setVisible(false);
    ScopeExit endBusy([&window] { window.EndBusy(); });
    return window.RestorePathFromLocker(path, message);
}

// The row that lists path now; nothing when it has gone meanwhile.
QTreeWidgetItem* RowListing(const QTreeWidget& list, const QString& path) {
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        if (list.topLevelItem(i)->text(0) == path)
            return list.topLevelItem(i);
    return nullptr;
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

    // The selection is taken as paths: rows may go while the restores run.
    QStringList paths;
    for (int i = 0; i < ListViewPaths->topLevelItemCount(); ++i)
        if (ListViewPaths->topLevelItem(i)->isSelected())
            paths << ListViewPaths->topLevelItem(i)->text(0);
    bool removedAny = false;
    for (const QString& path : paths) {
        if (FStopRequested)
            break;
        try {
            QTreeWidgetItem* row = RowListing(*ListViewPaths, path);
            if (row == nullptr)
                continue;
            UpdateItemStatus(row);
            if (RowHasStatus(row, StatusEncryptedHidden)) {
                QString message;
                if (!RestoreWhileBusy(*this, path, message))
                    throw Error(message.toStdString());
                // A restore that did not complete (its conflict answered
                // Cancel) leaves the locker: the row that knows it stays.
                if (platform::FileExists(ToPath(GetLockerPath(path))))
                    throw Error(
                        TranslatedText("The locker is still there, so the path stays in the list.").toStdString());
            }
            // Leaving the busy state lets waiting events run, so the row is
            // looked up again rather than trusted to be still there.
            delete RowListing(*ListViewPaths, path);
            removedAny = true;
        } catch (const std::exception& error) {
            FPrompts.Message(TranslatedText("Error removing: ") + path + u'\n' + QString::fromStdString(error.what()));
        }
    }
    try {
        if (removedAny)
            SaveSettings();
    } catch (const std::exception& error) {
        ShowError(error);
    }
    RefreshAllStatuses();
    UpdateCommandStates();
}

} // namespace vk
