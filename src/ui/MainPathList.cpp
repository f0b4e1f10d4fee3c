// The list of protected paths: rows, their status, the add commands and the
// one way the list is saved.

#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "settings/uSettings.h"
#include "ui/Prompts.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

namespace vk {

namespace {

QString FullPathOf(const QString& path) {
    return ToQString(platform::FullPath(ToPath(path)));
}

} // namespace

QString TfrmMain::GetLockerPath(const QString& path) {
    return FullPathOf(path) + QString::fromUtf8(LockerExtension);
}

bool TfrmMain::SameListedPath(const QString& first, const QString& second) {
#ifdef Q_OS_WIN
    return SameTextIgnoringAsciiCase(first, second);
#else
    return first == second;
#endif
}

QTreeWidgetItem* TfrmMain::RowOf(const QString& fullPath) const {
    for (int i = 0; i < ListViewPaths->topLevelItemCount(); ++i)
        if (SameListedPath(ListViewPaths->topLevelItem(i)->text(0), fullPath))
            return ListViewPaths->topLevelItem(i);
    return nullptr;
}

void TfrmMain::AddPath(const QString& path) {
    const QString fullPath = FullPathOf(path);
    if (!ItemOrLockerExists(fullPath)) {
        FPrompts.Message(TranslatedText("Path does not exist:") + u'\n' + fullPath);
        return;
    }
    ListPath(fullPath);
}

void TfrmMain::AddPathAsUser(const QString& path) {
    QString fullPath = FullPathOf(path);
    if (!ItemOrLockerExists(fullPath)) {
        FPrompts.Message(TranslatedText("Path does not exist:") + u'\n' + fullPath);
        return;
    }
    // A locker is no item to hide (that would lock the locker): it is the
    // hidden form of the path beside it, or a locker to import.
    const QString extension = QString::fromUtf8(LockerExtension);
    if (platform::FileExists(ToPath(fullPath)) && fullPath.endsWith(extension) &&
        QFileInfo(fullPath).fileName().size() > extension.size()) {
        const QString itemPath = fullPath.chopped(extension.size());
        const QStringList lines{
            TranslatedText("This is a locker file:"),
            fullPath,
            QString(),
            TranslatedText("Yes - list the path it hides, which it gives back with the program's password:"),
            itemPath,
            TranslatedText("No - import it with its own password or recovery code."),
            TranslatedText("Cancel - add nothing."),
        };
        switch (FPrompts.AskYesNoCancel(lines.join(u'\n'))) {
        case Prompts::Answer::Yes:
            fullPath = itemPath;
            break;
        case Prompts::Answer::No:
            ImportLockerFile(fullPath);
            return;
        case Prompts::Answer::Cancel:
            return;
        }
    }
    if (RowOf(fullPath) == nullptr && !ConfirmNesting(fullPath))
        return;
    ListPath(fullPath);
}

bool TfrmMain::ConfirmNesting(const QString& fullPath) {
    const auto inside = [](const QString& innerPath, const QString& outerPath) {
        const QString inner = QDir::fromNativeSeparators(innerPath);
        QString folder = QDir::fromNativeSeparators(outerPath);
        if (!folder.endsWith(u'/'))
            folder += u'/';
        return inner.size() > folder.size() && SameListedPath(inner.left(folder.size()), folder);
    };
    for (const QString& listed : ListedPaths()) {
        QString text;
        if (inside(fullPath, listed))
            text = TranslatedText("The path lies inside a listed folder:") + u'\n' + fullPath + u'\n' + listed +
                   QStringLiteral("\n\n") +
                   TranslatedText("Hiding the folder hides this path with it, and its row reads \"Not found\" "
                                  "until the folder is restored. Add it anyway?");
        else if (inside(listed, fullPath))
            text = TranslatedText("The folder holds a listed path:") + u'\n' + fullPath + u'\n' + listed +
                   QStringLiteral("\n\n") +
                   TranslatedText("Hiding the folder hides the listed path with it, and that row reads \"Not "
                                  "found\" until the folder is restored. Add it anyway?");
        else
            continue;
        return FPrompts.ConfirmOkCancel(text);
    }
    return true;
}

void TfrmMain::ListPath(const QString& fullPath) {
    if (RowOf(fullPath) != nullptr)
        return;
    auto* row = new QTreeWidgetItem(ListViewPaths, QStringList{fullPath, QString()});
    UpdateItemStatus(row);
}

bool TfrmMain::ItemOrLockerExists(const QString& fullPath) {
    const auto itemPath = ToPath(fullPath);
    return platform::PathExists(itemPath) || platform::FileExists(ToPath(GetLockerPath(fullPath)));
}

void TfrmMain::UpdateItemStatus(QTreeWidgetItem* row) {
    if (row == nullptr)
        return;
    const QString path = row->text(0);
    if (platform::FileExists(ToPath(GetLockerPath(path))))
        row->setText(1, TranslatedText(StatusEncryptedHidden));
    else if (platform::PathExists(ToPath(path)))
        row->setText(1, TranslatedText(StatusVisible));
    else
        row->setText(1, TranslatedText(StatusNotFound));
}

bool TfrmMain::RowHasStatus(const QTreeWidgetItem* row, const char* status) {
    return row != nullptr && SameTextIgnoringAsciiCase(row->text(1), TranslatedText(status));
}

void TfrmMain::RefreshAllStatuses() {
    for (int i = 0; i < ListViewPaths->topLevelItemCount(); ++i)
        UpdateItemStatus(ListViewPaths->topLevelItem(i));
}

void TfrmMain::btnAddFolderClick() {
    ScopeExit updateCommands([this] { UpdateCommandStates(); });
    if (const std::optional<QString> folder = FPrompts.PickFolder(TranslatedText("Select folder to add"))) {
        AddPathAsUser(*folder);
        SaveSettings();
    }
}

void TfrmMain::btnAddFileClick() {
    ScopeExit updateCommands([this] { UpdateCommandStates(); });
    if (const std::optional<QString> file = FPrompts.PickFile(TranslatedText("Select file to add"))) {
        AddPathAsUser(*file);
        SaveSettings();
    }
}

void TfrmMain::SaveSettings() {
    if (FDestroying)
        return;
    FSettings.StrongHide = chkStrongHide->isChecked();
    SyncStoredPaths();
    FSettings.WriteSettingsFile();
}

void TfrmMain::SyncStoredPaths() {
    FSettings.StoredPaths.clear();
    for (const QString& path : ListedPaths())
        FSettings.StoredPaths.push_back(path.toStdString());
}

QStringList TfrmMain::ListedPaths() const {
    QStringList paths;
    for (int i = 0; i < ListViewPaths->topLevelItemCount(); ++i)
        paths << ListViewPaths->topLevelItem(i)->text(0);
    return paths;
}

} // namespace vk
