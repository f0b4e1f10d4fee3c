// The path list: adding rows, statuses, the add commands, drops and saving.

#include "platform/uPlatform.h"
#include "ui/MainWindowFixture.h"

#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

namespace vk::test {
namespace {

using Kind = ScriptedPrompts::Kind;

TEST_F(MainWindowTest, LockerPathAppendsTheExtensionToTheFullPath) {
    EXPECT_EQ(TfrmMain::GetLockerPath(QStringLiteral("/docs/plan.txt")), QStringLiteral("/docs/plan.txt.vklocker"));
    EXPECT_EQ(TfrmMain::GetLockerPath(QStringLiteral("/private/")), QStringLiteral("/private.vklocker"));
}

TEST_F(MainWindowTest, AddPathRules) {
    CountingMainWindow& main = OpenWindow();
    const QString plan = MakeFile("Docs/plan.txt");

    // A relative path adds its absolute form.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(ToQ(temp / "Docs"));
    main.AddPath(QStringLiteral("plan.txt"));
    QDir::setCurrent(previous);
    ASSERT_EQ(Rows(), QStringList{plan});
    EXPECT_EQ(StatusOf(0), QStringLiteral("Visible"));

    // The same path again (with a trailing separator) adds nothing and shows
    // nothing. A name in other letter case is another item on Linux, the
    // same one on Windows: the list follows the file system.
    main.AddPath(plan + QStringLiteral("/"));
    EXPECT_EQ(Rows().size(), 1);
    const QString otherCase = MakeFile("Docs/PLAN.txt");
    main.AddPath(otherCase);
#ifdef Q_OS_WIN
    EXPECT_EQ(Rows(), QStringList{plan});
#else
    EXPECT_EQ(Rows(), (QStringList{plan, otherCase}));
#endif
    EXPECT_TRUE(prompts.Asked.empty());
    delete main.RowOf(otherCase);

    // Neither item nor locker: reported with the full path, not added.
    const QString missing = ToQ(temp / "nowhere.txt");
    main.AddPath(missing);
    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Path does not exist:\n") + missing});
    EXPECT_EQ(Rows().size(), 1);

    // Only the locker exists: listed as hidden.
    const QString hidden = ToQ(temp / "secret");
    WriteFile(temp / "secret.vklocker", "locker");
    main.AddPath(hidden);
    ASSERT_EQ(Rows().size(), 2);
    EXPECT_EQ(StatusOf(1), QStringLiteral("Encrypted & Hidden"));

    // Item and locker both: hidden. Neither any more: not found (the row
    // stays; its drive may be unplugged).
    WriteFile(temp / "Docs" / "plan.txt.vklocker", "locker");
    main.RefreshAllStatuses();
    EXPECT_EQ(StatusOf(0), QStringLiteral("Encrypted & Hidden"));
    std::filesystem::remove(temp / "secret.vklocker");
    main.RefreshAllStatuses();
    EXPECT_EQ(StatusOf(1), QStringLiteral("Not found"));
    EXPECT_EQ(Rows().size(), 2);

    // Adding saves nothing by itself.
    EXPECT_EQ(main.Saves, 0);
    EXPECT_FALSE(std::filesystem::exists(settings.SettingsFilePath()));
}

TEST_F(MainWindowTest, AddCommandsSaveWhenAPathWasPicked) {
    TfrmMain& main = OpenWindow();
    std::filesystem::create_directories(temp / "Photos");
    const QString file = MakeFile("notes.txt");
    prompts.FolderAnswers = {ToQ(temp / "Photos")};
    prompts.FileAnswers = {file, std::nullopt};

    main.btnAddFolder->click();
    main.AddFile1->trigger();
    main.btnAddFile->click(); // cancelled: nothing saved

    EXPECT_EQ(prompts.TextsOf(Kind::PickFolder), QStringList{QStringLiteral("Select folder to add")});
    EXPECT_EQ(prompts.TextsOf(Kind::PickFile).value(0), QStringLiteral("Select file to add"));
    EXPECT_EQ(Rows(), (QStringList{ToQ(temp / "Photos"), file}));
    EXPECT_EQ(window->Saves, 2);
    EXPECT_EQ(SavedPaths(), (std::vector<std::string>{(temp / "Photos").string(), file.toStdString()}));
    EXPECT_TRUE(main.EncryptHideAll1->isEnabled());
}

TEST_F(MainWindowTest, PickedPathThatIsRejectedStillSaves) {
    TfrmMain& main = OpenWindow();
    const QString file = MakeFile("notes.txt");
    prompts.FileAnswers = {file, file};
    main.btnAddFile->click();
    main.btnAddFile->click();
    EXPECT_EQ(Rows().size(), 1);
    EXPECT_EQ(window->Saves, 2);
}

TEST_F(MainWindowTest, SaveThatFailsIsShownAndTheProgramGoesOn) {
    TfrmMain& main = OpenWindow();
    prompts.FileAnswers = {MakeFile("notes.txt")};
    platform::faults::FailAt(platform::faults::Op::Rename, 1);
    main.btnAddFile->click();
    platform::faults::Clear();
    ASSERT_EQ(prompts.AskedOf(Kind::Message).size(), 1u);
    EXPECT_EQ(prompts.Asked.back().icon, Prompts::Icon::Error);
    EXPECT_EQ(Rows().size(), 1);
    EXPECT_TRUE(main.EncryptHideAll1->isEnabled()); // the commands were updated all the same
}

TEST_F(MainWindowTest, DroppedFilesAreAddedInOrderWithOneRefreshAndOneSave) {
    CountingMainWindow& main = OpenWindow();
    const QStringList dropped = {MakeFile("c.txt"), MakeFile("a.txt"), MakeFile("b.txt")};
    main.AddDroppedFiles(dropped);
    EXPECT_EQ(Rows(), dropped);
    EXPECT_EQ(main.Refreshes, 1);
    EXPECT_EQ(main.Saves, 1);
    EXPECT_EQ(SavedPaths().size(), 3u);

    // An already listed file adds nothing but still saves.
    main.AddDroppedFiles({dropped[1]});
    EXPECT_EQ(Rows(), dropped);
    EXPECT_EQ(main.Saves, 2);

    // While a run is busy the drop is ignored.
    main.FBusy = true;
    main.AddDroppedFiles({MakeFile("d.txt")});
    EXPECT_EQ(Rows().size(), 3);
    EXPECT_EQ(main.Saves, 2);
    EXPECT_EQ(main.Refreshes, 2);
}

TEST_F(MainWindowTest, ADropEventFromTheDesktopAddsItsFilesAndFolders) {
    CountingMainWindow& main = OpenWindow();
    std::filesystem::create_directories(temp / "Folder");
    const QStringList dropped = {MakeFile("x.txt"), ToQ(temp / "Folder")};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped[0]), QUrl::fromLocalFile(dropped[1]),
                  QUrl(QStringLiteral("https://example.org/page"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &drop);
    EXPECT_EQ(Rows(), dropped);
    EXPECT_EQ(main.Saves, 1);

    main.FBusy = true;
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QApplication::sendEvent(&main, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(MainWindowTest, StartUpRowsComeFromTheStoredPathsAndAGoneOneStaysNotFound) {
    const QString visible = MakeFile("visible.txt");
    WriteFile(temp / "locked.txt.vklocker", "locker");
    const std::string gone = (temp / "gone.txt").string();
    settings.StoredPaths = {visible.toStdString(), gone, (temp / "locked.txt").string()};
    settings.StrongHide = false;
    settings.GeneralPassword = "pw";
    settings.WriteSettingsFile();

    settings.StoredPaths.clear();
    ASSERT_TRUE(settings.LoadSettings("pw"));
    CountingMainWindow& main = OpenWindow();
    EXPECT_EQ(Rows(), (QStringList{visible, QString::fromStdString(gone), ToQ(temp / "locked.txt")}));
    EXPECT_EQ(StatusOf(0), QStringLiteral("Visible"));
    EXPECT_EQ(StatusOf(1), QStringLiteral("Not found"));
    EXPECT_EQ(StatusOf(2), QStringLiteral("Encrypted & Hidden"));
    EXPECT_TRUE(prompts.Messages().isEmpty());
    EXPECT_FALSE(main.chkStrongHide->isChecked());
    EXPECT_EQ(main.Saves, 0);

    main.SaveSettings();
    SettingsStore reader;
    reader.LoadSettings("pw");
    EXPECT_EQ(reader.StoredPaths,
              (std::vector<std::string>{visible.toStdString(), gone, (temp / "locked.txt").string()}));
    EXPECT_FALSE(reader.StrongHide);
    EXPECT_EQ(reader.GeneralPassword, "pw");
}

// Two items whose names differ in letter case only are two items on Linux:
// a stored list keeps both.
TEST_F(MainWindowTest, AStoredListKeepsPathsThatDifferInLetterCaseOnly) {
    const QString upper = MakeFile("Notes");
    const QString lower = MakeFile("notes");
    settings.StoredPaths = {upper.toStdString(), lower.toStdString(), upper.toStdString()};
    OpenWindow();
#ifdef Q_OS_WIN
    EXPECT_EQ(Rows(), QStringList{upper});
#else
    EXPECT_EQ(Rows(), (QStringList{upper, lower}));
#endif
}

// A row with neither item nor locker: both runs leave it alone and say why.
TEST_F(MainWindowTest, ARunOverANotFoundRowSaysWhyNothingHappened) {
    settings.GeneralPassword = "pw";
    const QString gone = ToQ(temp / "stick" / "Photos");
    settings.StoredPaths = {gone.toStdString()};
    CountingMainWindow& main = OpenWindow();
    ASSERT_EQ(StatusOf(0), QStringLiteral("Not found"));
    const QString why = QStringLiteral("Neither the item nor its locker was found, so nothing was done with:\n") +
                        gone +
                        QStringLiteral("\n\nIf it lies on a drive that is not plugged in, plug it in and try again.");
    for (void (TfrmMain::*run)() : {&TfrmMain::btnDecryptAndUnhideAllClick, &TfrmMain::btnEncryptAndHideAllClick}) {
        prompts.Asked.clear();
        (main.*run)();
        EXPECT_EQ(prompts.Messages(), QStringList{why});
        EXPECT_EQ(Rows(), QStringList{gone});
        EXPECT_EQ(StatusOf(0), QStringLiteral("Not found"));
    }
    EXPECT_EQ(SavedPaths(), std::vector<std::string>{gone.toStdString()});
}

} // namespace
} // namespace vk::test
