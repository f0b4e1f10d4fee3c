// Files and folders dragged onto the main window from the desktop or a file
// manager are added to the list, in the order of the drop.

#include "ui/ScopeExit.h"
#include "ui/UnitMain.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

namespace vk {

namespace {

QStringList LocalPathsOf(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr)
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

} // namespace

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!FBusy && !LocalPathsOf(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!FBusy)
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalPathsOf(event->mimeData());
    event->acceptProposedAction();
    try {
        AddDroppedFiles(paths);
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TfrmMain::AddDroppedFiles(const QStringList& paths) {
    if (FBusy || paths.isEmpty())
        return;
    {
        ListViewPaths->setUpdatesEnabled(false);
        ScopeExit resumeDrawing([this] { ListViewPaths->setUpdatesEnabled(true); });
        for (const QString& path : paths)
            if (!path.isEmpty())
                AddPathAsUser(path);
    }
    RefreshAllStatuses();
    SaveSettings();
    UpdateCommandStates();
}

} // namespace vk
