#pragma once

// The import dialog: browse the disk for a locker file. A folder combo box and
// a file list show the same folder; the list shows folders and locker files
// (hidden ones too). The form lives for the whole run and keeps its folder.

#include <QDialog>
#include <QSortFilterProxyModel>
#include <optional>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace vk {

// Whether the browsing list may offer an item: folders whose extension is
// ".zip", ".rar", ".tar" or ".7z" (any case) are refused, and so is the trash.
void JamShellList1AddItem(const QString& path, bool isDir, bool& CanAdd);

// The list's add-item rule on top of the file-system model.
class LockerBrowseFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};

class TfrmOpenLocker : public QDialog {
    Q_OBJECT

public:
    explicit TfrmOpenLocker(QWidget* parent = nullptr);

    // Shows the dialog modally. The full path of the selected item after OK;
    // nothing when cancelled, closed, or when nothing is selected.
    std::optional<QString> SelectLocker();

    // 1 after OK, 0 otherwise.
    int Tag = 0;

    void FormShow();
    void Button2Click(); // OK
    void Button1Click(); // Cancel

    // The folder both browsing controls show.
    QString CurrentFolder() const { return FCurrentFolder; }
    void SetFolder(const QString& folder);
    // The full path of the list's selected item; empty when nothing is selected.
    QString SelectedPath() const;

    QComboBox* FolderCombo() const { return JamShellCombo1; }
    QTreeView* FileList() const { return JamShellList1; }
    QPushButton* OkButton() const { return Button2; }
    QPushButton* CancelButton() const { return Button1; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillFolderCombo();
    void FolderComboActivated(int index);
    void FileListActivated(const QModelIndex& index);

    QString FCurrentFolder;
    QFileSystemModel* FFileSystem;
    LockerBrowseFilter* FFilter;
    QLabel* Label1;
    QComboBox* JamShellCombo1;
    QTreeView* JamShellList1;
    QPushButton* Button2;
    QPushButton* Button1;
};

} // namespace vk
