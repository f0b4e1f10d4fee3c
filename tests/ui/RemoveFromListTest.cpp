// Removing a path from the list: a visible row simply goes, a hidden one is
// restored first, and a failed restore keeps the row.

#include "ui/LockerFixture.h"
#include "ui/RunsFixture.h"
#include "ui/UiText.h"

#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

namespace vk::test {
namespace {

namespace fs = std::filesystem;
using Kind = ScriptedPrompts::Kind;

const QString Confirmation = QStringLiteral(
    "Selected paths will be decrypted and unhidden, then items will be removed from the list. Continue?");

class RemoveFromListTest : public RunsTest {
protected:
    // Lists the paths, saves once so the file holds them, and selects one row.
    void ListAndSelect(const QStringList& paths, int selectedRow) {
        OpenWindowWith(paths);
        window->SaveSettings();
        Select(selectedRow);
        window->Saves = 0;
    }
    std::vector<std::string> Saved(const QStringList& paths) const {
        std::vector<std::string> saved;
        for (const QString& path : paths)
            saved.push_back(path.toStdString());
        return saved;
    }
};

TEST_F(RemoveFromListTest, NoSelectionOnlyRefreshes_CancelDoesNothing) {
    const QString plan = MakeFile("plan.txt");
    OpenWindowWith({plan});
    window->btnRemoveClick();
    EXPECT_TRUE(prompts.Asked.empty());
    EXPECT_EQ(window->Refreshes, 1);
    EXPECT_EQ(window->Saves, 0);

    Select(0);
    window->Refreshes = 0;
    window->btnRemoveClick(); // the confirmation is answered Cancel
    EXPECT_EQ(prompts.TextsOf(Kind::ConfirmOkCancel), QStringList{Confirmation});
    EXPECT_EQ(Rows(), QStringList{plan});
    EXPECT_EQ(window->Refreshes, 0);
    EXPECT_EQ(window->Saves, 0);
}

TEST_F(RemoveFromListTest, VisibleRowGoesWithoutTouchingTheDisk) {
    const QString plan = MakeFile("plan.txt");
    const QString other = MakeFile("other.txt");
    ListAndSelect({plan, other}, 0);
    const auto before = fs::last_write_time(ToPath(plan));
    prompts.OkCancelAnswers = {true};

    window->btnRemoveClick();

    EXPECT_EQ(Rows(), QStringList{other});
    EXPECT_EQ(SavedPaths(), Saved({other}));
    EXPECT_EQ(ReadFile(ToPath(plan)), "content");
    EXPECT_EQ(fs::last_write_time(ToPath(plan)), before);
    EXPECT_FALSE(fs::exists(ToPath(plan + QStringLiteral(".vklocker"))));
    EXPECT_TRUE(prompts.Messages().isEmpty());
}

TEST_F(RemoveFromListTest, HiddenRowIsRestoredFirstWithTheCommandsHeld) {
    const fs::path photos = temp / "Photos";
    MakePhotoFolder(photos);
    LockAway(photos, temp / "Photos.vklocker", TestPassword);
    ListAndSelect({ToQ(photos)}, 0);
    ASSERT_EQ(StatusOf(0), QStringLiteral("Encrypted & Hidden"));
    prompts.OkCancelAnswers = {true};

    window->btnRemoveClick();

    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_EQ(ReadFile(photos / "beach.jpg"), "sand and sea");
    EXPECT_EQ(ReadFile(photos / "2019" / "snow.jpg"), "white");
    EXPECT_FALSE(fs::exists(temp / "Photos.vklocker"));
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_TRUE(SavedPaths().empty());
    EXPECT_FALSE(window->FBusy);
}

// Item and locker both exist: the restore asks, and Cancel skips it. The row
// stays with its locker (a locker no row knows is what Remove must never
// leave). While the box is up the list commands are held and no run's
// progress is shown.
TEST_F(RemoveFromListTest, ConflictCancelledKeepsTheRowAndTheLocker) {
    const fs::path photos = temp / "Photos";
    MakePhotoFolder(photos);
    LockAway(photos, temp / "Photos.vklocker", TestPassword);
    WriteFile(photos / "new.jpg", "newer");
    const QString other = MakeFile("other.txt");
    ListAndSelect({ToQ(photos), other}, 0);
    prompts.OkCancelAnswers = {true};
    std::vector<bool> heldCommands;
    prompts.OnAsk = [this, &heldCommands](const ScriptedPrompts::Question& question) {
        if (question.kind != Kind::AskYesNoCancel)
            return;
        for (QWidget* command : std::initializer_list<QWidget*>{window->btnRemove, window->btnEncryptAndHideAll,
                                                                window->btnImportLocker, window->btnChangePassword})
            heldCommands.push_back(!command->isEnabled());
        heldCommands.push_back(window->ProgressBar1->isHidden());
    };

    window->btnRemoveClick();

    ASSERT_EQ(prompts.AskedOf(Kind::AskYesNoCancel).size(), 1u);
    EXPECT_EQ(heldCommands, std::vector<bool>(5, true));
    EXPECT_TRUE(fs::exists(temp / "Photos.vklocker"));
    EXPECT_EQ(ReadFile(photos / "new.jpg"), "newer");
    EXPECT_EQ(Rows(), (QStringList{ToQ(photos), other}));
    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Error removing: ") + ToQ(photos) +
                                              QStringLiteral("\nThe locker is still there, so the path stays in "
                                                             "the list.")});
    EXPECT_EQ(window->Saves, 0);
    EXPECT_FALSE(window->FBusy);
    EXPECT_TRUE(window->btnImportLocker->isEnabled());
}

TEST_F(RemoveFromListTest, FailedRestoreKeepsTheRowAndSavesNothing) {
    const fs::path photos = temp / "Photos";
    MakePhotoFolder(photos);
    LockAway(photos, temp / "Photos.vklocker", "another password");
    ListAndSelect({ToQ(photos)}, 0);
    prompts.OkCancelAnswers = {true};

    window->btnRemoveClick();

    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Error removing: ") + ToQ(photos) +
                                              QStringLiteral("\nInvalid password or recovery code.")});
    EXPECT_EQ(Rows(), QStringList{ToQ(photos)});
    EXPECT_EQ(StatusOf(0), QStringLiteral("Encrypted & Hidden"));
    EXPECT_TRUE(fs::exists(temp / "Photos.vklocker"));
    EXPECT_FALSE(fs::exists(photos));
    EXPECT_EQ(window->Saves, 0);
    EXPECT_FALSE(window->FBusy);
}

// Closing the window while the removal restores: the restore stops at its
// next check, the row stays, and the window closes once the removal is over.
TEST_F(RemoveFromListTest, ClosingDuringTheRestoreStopsItAndClosesAfterwards) {
    const fs::path photos = temp / "Photos";
    MakePhotoFolder(photos);
    LockAway(photos, temp / "Photos.vklocker", TestPassword);
    ListAndSelect({ToQ(photos)}, 0);
    hooked->show();
    prompts.OkCancelAnswers = {true};
    bool closedDuringRestore = true;
    hooked->OnProgress = [&](std::int64_t, std::int64_t) {
        if (!hooked->FStopRequested)
            closedDuringRestore = hooked->close();
    };

    hooked->btnRemoveClick();

    EXPECT_FALSE(closedDuringRestore);
    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Error removing: ") + ToQ(photos) +
                                              QStringLiteral("\nOperation cancelled by user.")});
    EXPECT_EQ(Rows(), QStringList{ToQ(photos)});
    EXPECT_TRUE(fs::exists(temp / "Photos.vklocker"));
    EXPECT_FALSE(fs::exists(photos));
    EXPECT_TRUE(WaitUntil([&] { return !hooked->isVisible(); }));
}

TEST_F(RemoveFromListTest, EverySelectedRowGoesAsOneBatch) {
    const fs::path photos = temp / "Photos";
    MakePhotoFolder(photos);
    LockAway(photos, temp / "Photos.vklocker", TestPassword);
    const QString plan = MakeFile("plan.txt");
    const QString kept = MakeFile("kept.txt");
    const QString gone = ToQ(temp / "gone.txt"); // neither item nor locker
    OpenWindowWith({ToQ(photos), plan, kept});
    window->ListPath(gone);
    window->SaveSettings();
    for (int row : {0, 1, 3})
        window->ListViewPaths->topLevelItem(row)->setSelected(true);
    prompts.OkCancelAnswers = {true};

    window->btnRemoveClick();

    EXPECT_EQ(prompts.TextsOf(Kind::ConfirmOkCancel), QStringList{Confirmation});
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_EQ(Rows(), QStringList{kept});
    EXPECT_EQ(SavedPaths(), Saved({kept}));
    EXPECT_EQ(ReadFile(photos / "beach.jpg"), "sand and sea");
    EXPECT_FALSE(fs::exists(temp / "Photos.vklocker"));
}

} // namespace
} // namespace vk::test
