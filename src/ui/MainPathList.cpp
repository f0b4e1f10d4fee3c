// The list of protected paths: rows, their status, the add commands and the
// one way the list is saved.

#include "platform/uPlatform.h"
#include "settings/uSettings.h"
#include "ui/Prompts.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QCheckBox>
#include <QTreeWidget>

namespace vk {

namespace {

constexpr const char* LockerExtension = ".vklocker";

QString FullPathOf(const QString& path) {
    return ToQString(platform::FullPath(ToPath(path)));
}

} // namespace

QString TfrmMain::GetLockerPath(const QString& path) {
    return FullPathOf(path) + QString::fromUtf8(LockerExtension);
}

void TfrmMain::AddPath(const QString& path) {
    const QString fullPath = FullPathOf(path);
    const auto itemPath = ToPath(fullPath);
    if (!platform::FileExists(itemPath) && !platform::DirectoryExists(itemPath) &&
        !platform::FileExists(ToPath(GetLockerPath(fullPath)))) {
        FPrompts.Message(TranslatedText("Path does not exist:") + u'\n' + fullPath);
        return;
    }
    for (int i = 0; i < ListViewPaths->topLevelItemCount(); ++i)
        if (SameTextIgnoringAsciiCase(ListViewPaths->topLevelItem(i)->text(0), fullPath))
            return;
    auto* row = new QTreeWidgetItem(ListViewPaths, QStringList{fullPath, QString()});
    UpdateItemStatus(row);
}

void TfrmMain::UpdateItemStatus(QTreeWidgetItem* row) {
    if (row == nullptr)
        return;
    const bool lockerExists = platform::FileExists(ToPath(GetLockerPath(row->text(0))));
    row->setText(1, TranslatedText(lockerExists ? StatusEncryptedHidden : StatusVisible));
}

void TfrmMain::RefreshAllStatuses() {
    for (int i = 0; i < ListViewPaths->topLevelItemCount(); ++i)
        UpdateItemStatus(ListViewPaths->topLevelItem(i));
}

void TfrmMain::btnAddFolderClick() {
    ScopeExit updateCommands([this] { UpdateCommandStates(); });
    if (const std::optional<QString> folder = FPrompts.PickFolder(TranslatedText("Select folder to add"))) {
        AddPath(*folder);
        SaveSettings();
    }
}

void TfrmMain::btnAddFileClick() {
    ScopeExit updateCommands([this] { UpdateCommandStates(); });
    if (const std::optional<QString> file = FPrompts.PickFile(TranslatedText("Select file to add"))) {
        AddPath(*file);
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
