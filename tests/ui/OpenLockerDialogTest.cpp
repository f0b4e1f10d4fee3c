#include "support/QtTestApp.h"
#include "support/TempFolder.h"
#include "ui/OpenLockerFileDialog.h"

#include <QComboBox>
#include <QPushButton>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

namespace vk {
namespace {

namespace fs = std::filesystem;
using test::QtTestApp;
using test::WaitUntil;

QString ToQ(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// The names the file list shows for its current folder, sorted.
QStringList ListedNames(const TfrmOpenLocker& dialog) {
    QTreeView* list = dialog.FileList();
    QStringList names;
    const QModelIndex root = list->rootIndex();
    for (int row = 0; row < list->model()->rowCount(root); ++row)
        names << list->model()->index(row, 0, root).data().toString();
    names.sort();
    return names;
}

// Waits for the file list to show exactly these names; returns what it shows.
QStringList WaitForNames(const TfrmOpenLocker& dialog, QStringList expected) {
    expected.sort();
    WaitUntil([&] { return ListedNames(dialog) == expected; });
    return ListedNames(dialog);
}

QModelIndex RowNamed(const TfrmOpenLocker& dialog, const QString& name) {
    QTreeView* list = dialog.FileList();
    const QModelIndex root = list->rootIndex();
    for (int row = 0; row < list->model()->rowCount(root); ++row) {
        const QModelIndex index = list->model()->index(row, 0, root);
        if (index.data().toString() == name)
            return index;
    }
    return {};
}

class OpenLockerDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtTestApp();
        for (const char* folder : {"Backup", "Backup.zip", "Music.RAR", "old.tar", "Set.7z", "Backup/Inner"})
            fs::create_directories(temp / "lockers" / folder);
        for (const char* file : {".secret.vklocker", "listed.vklocker", "Photos.VKLOCKER", "notes.txt", "vklocker",
                                 "Backup/deep.vklocker", "Backup/readme.txt"})
            test::WriteFile(temp / "lockers" / file, "x");
        // A locker hidden the way file managers read it: named in the folder's .hidden list.
        test::WriteFile(temp / "lockers" / ".hidden", "listed.vklocker\n");
        fs::create_directories(temp / "lockers" / "Archive.zip.d");
    }

    test::TempFolder temp;
    QString root = ToQ(temp / "lockers");
};

TEST_F(OpenLockerDialogTest, ListsFoldersAndLockersIncludingHiddenButNotArchiveFolders) {
    TfrmOpenLocker dialog;
    dialog.SetFolder(root);
    EXPECT_EQ(
        WaitForNames(dialog,
                     {QStringLiteral("Backup"), QStringLiteral("Archive.zip.d"), QStringLiteral(".secret.vklocker"),
                      QStringLiteral("listed.vklocker"), QStringLiteral("Photos.VKLOCKER")}),
        (QStringList{QStringLiteral(".secret.vklocker"), QStringLiteral("Archive.zip.d"), QStringLiteral("Backup"),
                     QStringLiteral("Photos.VKLOCKER"), QStringLiteral("listed.vklocker")}));
}

TEST_F(OpenLockerDialogTest, ArchiveRuleRefusesOnlyFoldersWithArchiveExtensions) {
    struct Case {
        const char* path;
        bool isDir;
        bool offered;
    };
    const Case cases[] = {
        {"/data/Backup.zip", true, false}, {"/data/Backup.ZIP", true, false},     {"/data/a.rar", true, false},
        {"/data/a.tar", true, false},      {"/data/a.7z", true, false},           {"/data/a.tar.gz", true, true},
        {"/data/Backup", true, true},      {"/data/.zip", true, false},           {"/data/a.zip", false, true},
        {"/data/zip", true, true},         {"/mnt/usb/.Trash-1000", true, false},
    };
    for (const Case& c : cases) {
        bool canAdd = true;
        JamShellList1AddItem(QString::fromUtf8(c.path), c.isDir, canAdd);
        EXPECT_EQ(canAdd, c.offered) << c.path;
    }
}

TEST_F(OpenLockerDialogTest, NavigationIntoAFolderUpdatesBothControls) {
    TfrmOpenLocker dialog;
    dialog.resize(907, 526);
    dialog.show();
    dialog.SetFolder(root);
    WaitUntil([&] { return RowNamed(dialog, QStringLiteral("Backup")).isValid(); });
    const QModelIndex backup = RowNamed(dialog, QStringLiteral("Backup"));
    ASSERT_TRUE(backup.isValid());

    // Opening the folder in the list, as a double click does.
    QTreeView* list = dialog.FileList();
    list->scrollTo(backup);
    const QPoint centre = list->visualRect(backup).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);

    const QString backupPath = root + QStringLiteral("/Backup");
    EXPECT_EQ(dialog.CurrentFolder(), backupPath);
    EXPECT_EQ(dialog.FolderCombo()->currentData().toString(), backupPath);
    EXPECT_EQ(dialog.FolderCombo()->currentText().trimmed(), QStringLiteral("Backup"));
    EXPECT_EQ(WaitForNames(dialog, {QStringLiteral("Inner"), QStringLiteral("deep.vklocker")}),
              (QStringList{QStringLiteral("Inner"), QStringLiteral("deep.vklocker")}));

    // Choosing the folder above in the combo box takes the list back there.
    QTest::keyClick(dialog.FolderCombo(), Qt::Key_Up);
    EXPECT_EQ(dialog.CurrentFolder(), root);
    EXPECT_EQ(dialog.FolderCombo()->currentData().toString(), root);
    EXPECT_TRUE(WaitUntil([&] { return RowNamed(dialog, QStringLiteral("Photos.VKLOCKER")).isValid(); }));
}

TEST_F(OpenLockerDialogTest, SelectLockerAnswersTheSelectedPathOnlyAfterOk) {
    TfrmOpenLocker dialog;
    dialog.SetFolder(root);
    WaitUntil([&] { return RowNamed(dialog, QStringLiteral(".secret.vklocker")).isValid(); });

    auto answer = [&](bool select, QPushButton* (TfrmOpenLocker::*button)() const) {
        test::WhenModalShown([&](QDialog&) {
            dialog.FileList()->clearSelection();
            if (select)
                dialog.FileList()->setCurrentIndex(RowNamed(dialog, QStringLiteral(".secret.vklocker")));
            QTest::mouseClick((dialog.*button)(), Qt::LeftButton);
        });
        return dialog.SelectLocker();
    };

    EXPECT_EQ(answer(true, &TfrmOpenLocker::OkButton), std::optional(root + QStringLiteral("/.secret.vklocker")));
    EXPECT_EQ(dialog.Tag, 1);
    EXPECT_EQ(answer(true, &TfrmOpenLocker::CancelButton), std::nullopt);
    EXPECT_EQ(dialog.Tag, 0);
    EXPECT_EQ(answer(false, &TfrmOpenLocker::OkButton), std::nullopt);
    // The form keeps its folder from one showing to the next.
    EXPECT_EQ(dialog.CurrentFolder(), root);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Import Locker File"));
}

} // namespace
} // namespace vk
