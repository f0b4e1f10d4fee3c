// Hiding one path into its locker and restoring it: the disk before and
// after, every message, the conflict box, and faults at each step.

#include "platform/Error.h"
#include "protect/uProtect.h"
#include "support/ScopedVariable.h"
#include "ui/RunsFixture.h"

#include <QCheckBox>

namespace vk::test {
namespace {

using namespace platform;
using Answer = Prompts::Answer;

// What one operation gave: its result and message, or the text of the error
// it raised.
struct Outcome {
    bool Succeeded = false;
    QString Message;
    QString Raised;
};

Outcome Run(TfrmMain& main, bool (TfrmMain::*operation)(const QString&, QString&), const fs::path& item) {
    Outcome outcome;
    try {
        outcome.Succeeded = (main.*operation)(QString::fromStdString(item.string()), outcome.Message);
    } catch (const std::exception& error) {
        outcome.Raised = QString::fromStdString(error.what());
    }
    return outcome;
}
Outcome Hide(TfrmMain& main, const fs::path& item) {
    return Run(main, &TfrmMain::HidePathIntoLocker, item);
}
Outcome Restore(TfrmMain& main, const fs::path& item) {
    return Run(main, &TfrmMain::RestorePathFromLocker, item);
}

void MakeTree(const fs::path& root) {
    WriteFile(root / "a.txt", "alpha");
    WriteFile(root / "Sub" / "b.bin", std::string(70000, '\x5a'));
    WriteFile(root / "Sub" / "Deeper" / "c.txt", "gamma");
    fs::create_directories(root / "Empty");
}

TEST_F(RunsTest, AFolderHidesIntoAHiddenSystemLockerAndComesBack) {
    TfrmMain& main = OpenHookedWindow();
    const fs::path folder = temp / "Private";
    MakeTree(folder);
    const TreeSnapshot original = Snapshot(folder);
    // Left over from an interrupted attempt: replaced, not kept.
    WriteFile(TemporaryOf(folder), "stale");
    ASSERT_TRUE(main.chkStrongHide->isChecked());

    const Outcome hidden = Hide(main, folder);
    ASSERT_TRUE(hidden.Succeeded) << hidden.Message.toStdString() << hidden.Raised.toStdString();
    EXPECT_TRUE(hidden.Message.isEmpty());
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(NoTemporaryLocker());
    EXPECT_TRUE(HasBits(LockerOf(folder), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(LockerOpensTo(LockerOf(folder), original));

    const Outcome restored = Restore(main, folder);
    ASSERT_TRUE(restored.Succeeded) << restored.Message.toStdString() << restored.Raised.toStdString();
    EXPECT_EQ(Snapshot(folder), original);
    EXPECT_FALSE(fs::exists(LockerOf(folder)));
    EXPECT_TRUE(prompts.Asked.empty());
}

TEST_F(RunsTest, WithoutStrongHideTheLockerIsHiddenOnly) {
    TfrmMain& main = OpenHookedWindow();
    main.chkStrongHide->setChecked(false);
    const fs::path file = temp / "note.txt";
    WriteFile(file, "note");
    ASSERT_TRUE(Hide(main, file).Succeeded);
    EXPECT_EQ(Attributes(LockerOf(file)) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(RunsTest, AReadOnlyFileHidesAndComesBackReadOnly) {
    TfrmMain& main = OpenHookedWindow();
    const fs::path file = temp / "plan.txt";
    WriteFile(file, "plan");
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_READONLY));

    ASSERT_TRUE(Hide(main, file).Succeeded);
    EXPECT_FALSE(fs::exists(file));
    ASSERT_TRUE(Restore(main, file).Succeeded);
    EXPECT_EQ(ReadFile(file), "plan");
    EXPECT_TRUE(HasBits(file, FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(HasBits(file, FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(RunsTest, ChecksBeforeTouchingTheDisk) {
    TfrmMain& main = OpenHookedWindow();
    const fs::path file = temp / "kept.txt";
    WriteFile(file, "kept");
    WriteFile(LockerOf(file), "someone's locker");
    const fs::path missing = temp / "missing";
    const QString missingText = QString::fromStdString(missing.string());
    const QString lockerText = QString::fromStdString(LockerOf(file).string());

    Outcome outcome = Hide(main, file);
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(outcome.Message, QStringLiteral("Locker already exists: ") + lockerText);
    outcome = Hide(main, missing);
    EXPECT_EQ(outcome.Message, QStringLiteral("Path not found: ") + missingText);
    outcome = Restore(main, missing);
    EXPECT_EQ(outcome.Message, QStringLiteral("Locker file not found: ") + missingText + QStringLiteral(".vklocker"));

    settings.GeneralPassword.clear();
    for (const Outcome& noPassword : {Hide(main, file), Restore(main, file)}) {
        EXPECT_FALSE(noPassword.Succeeded);
        EXPECT_EQ(noPassword.Message, QStringLiteral("General password is not set."));
    }
    EXPECT_EQ(ReadFile(file), "kept");
    EXPECT_EQ(ReadFile(LockerOf(file)), "someone's locker");
    EXPECT_TRUE(NoTemporaryLocker());
}

TEST_F(RunsTest, AWrongPasswordLeavesTheLockerHiddenAndNothingAtThePath) {
    TfrmMain& main = OpenHookedWindow();
    const fs::path folder = temp / "Private";
    MakeTree(folder);
    const TreeSnapshot original = Snapshot(folder);
    ASSERT_TRUE(Hide(main, folder).Succeeded);

    settings.GeneralPassword = "Another password 2";
    const Outcome outcome = Restore(main, folder);
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(outcome.Message, QStringLiteral("Invalid password or recovery code."));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(HasBits(LockerOf(folder), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(LockerOpensTo(LockerOf(folder), original));
}

TEST_F(RunsTest, ConflictBoxAnswers) {
    struct Case {
        Answer answer;
        std::string itemAfter; // empty: no item
        bool lockerAfter;
    };
    const Case cases[] = {
        {Answer::Yes, "locked content", false},
        {Answer::No, "newer content", false},
        {Answer::Cancel, "newer content", true},
    };
    TfrmMain& main = OpenHookedWindow();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        const fs::path file = temp / ("conflict" + std::to_string(++n) + ".txt");
        WriteFile(file, "locked content");
        ASSERT_TRUE(Hide(main, file).Succeeded);
        WriteFile(file, "newer content");
        prompts.Asked.clear();
        prompts.YesNoCancelAnswers = {c.answer};

        const Outcome outcome = Restore(main, file);
        EXPECT_TRUE(outcome.Succeeded);
        EXPECT_TRUE(outcome.Message.isEmpty());
        ASSERT_EQ(prompts.TextsOf(ScriptedPrompts::Kind::AskYesNoCancel).size(), 1);
        const QStringList lines = prompts.TextsOf(ScriptedPrompts::Kind::AskYesNoCancel)[0].split(u'\n');
        EXPECT_EQ(lines, (QStringList{QStringLiteral("Conflict detected for:"), QString::fromStdString(file.string()),
                                      QString(), QStringLiteral("Both the real path and the locker file exist."),
                                      QStringLiteral("Yes - replace the existing path with the decrypted locker item."),
                                      QStringLiteral("No - remove the locker and keep the existing path."),
                                      QStringLiteral("Cancel - skip this item."), QString(),
                                      QStringLiteral("The version that is not kept goes to the desktop's trash.")}));
        EXPECT_EQ(ReadFile(file), c.itemAfter);
        EXPECT_EQ(fs::exists(LockerOf(file)), c.lockerAfter);
        if (c.lockerAfter) {
            EXPECT_TRUE(HasBits(LockerOf(file), FILE_ATTRIBUTE_HIDDEN));
        }
    }
}

// The version a conflict answer discards goes where the user can take it back.
TEST_F(RunsTest, ADiscardedVersionGoesToTheTrash) {
    fs::create_directories(temp / "data");
    const ScopedVariable dataHome("XDG_DATA_HOME", (temp / "data").c_str());
    TfrmMain& main = OpenHookedWindow();
    const fs::path trash = temp / "data" / "Trash" / "files";
    const fs::path file = temp / "discarded.txt";
    const fs::path folder = temp / "Discarded";
    WriteFile(file, "old version");
    MakeTree(folder);
    const TreeSnapshot folderBefore = Snapshot(folder);
    for (const fs::path& item : {file, folder}) {
        SCOPED_TRACE(item.string());
        EXPECT_EQ(main.DiscardVersion(QString::fromStdString(item.string())), TDiscardAnswer::Taken);
        EXPECT_FALSE(fs::exists(item));
        EXPECT_TRUE(fs::exists(trash / item.filename()));
    }
    EXPECT_EQ(ReadFile(trash / "discarded.txt"), "old version");
    EXPECT_EQ(Snapshot(trash / "Discarded"), folderBefore);
    EXPECT_TRUE(prompts.Asked.empty());
}

TEST_F(RunsTest, WhereTheTrashCannotTakeAVersionTheUserChooses) {
    struct Case {
        Answer answer;
        TDiscardAnswer expected;
    };
    const Case cases[] = {
        {Answer::Yes, TDiscardAnswer::DeleteForGood},
        {Answer::No, TDiscardAnswer::KeepIt},
        {Answer::Cancel, TDiscardAnswer::KeepIt},
    };
    TfrmMain& main = OpenHookedWindow();
    main.FMoveToTrash = [](const QString&) { return false; };
    const fs::path file = temp / "on-a-stick.txt";
    WriteFile(file, "old version");
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        prompts.Asked.clear();
        prompts.YesNoCancelAnswers = {c.answer};
        EXPECT_EQ(main.DiscardVersion(QString::fromStdString(file.string())), c.expected);
        EXPECT_EQ(prompts.TextsOf(ScriptedPrompts::Kind::AskYesNoCancel),
                  QStringList{QStringLiteral("The desktop's trash cannot take:\n") +
                              QString::fromStdString(file.string()) +
                              QStringLiteral("\n\nYes - delete it for good.\n"
                                             "No - keep it where it is, under a name beside the item.")});
        // The answer goes to the restore; the window deletes nothing itself.
        EXPECT_EQ(ReadFile(file), "old version");
    }
}

TEST_F(RunsTest, ALockerThatAppearsWhileHidingIsNeverReplaced) {
    HookedMainWindow& main = OpenHookedWindow();
    const fs::path file = temp / "report.txt";
    WriteFile(file, "report");
    main.OnProgress = [&](std::int64_t, std::int64_t) {
        if (!fs::exists(LockerOf(file)))
            WriteFile(LockerOf(file), "another locker");
    };
    const Outcome outcome = Hide(main, file);
    EXPECT_EQ(outcome.Message, QStringLiteral("Locker already exists: ") + ToQ(LockerOf(file)));
    EXPECT_EQ(ReadFile(LockerOf(file)), "another locker");
    EXPECT_EQ(ReadFile(file), "report");
}

// Yes moves the existing folder aside and deletes it only once the new one is
// in place and the locker gone; a locker that cannot be deleted puts it back.
// Yes discards the existing version (into the trash) before the locker goes:
// a locker that cannot be deleted then stays beside the item it gave back.
TEST_F(RunsTest, ConflictYesKeepsTheLockerWhenItCannotBeDeleted) {
    TfrmMain& main = OpenHookedWindow();
    const fs::path folder = temp / "Private";
    MakeTree(folder);
    const TreeSnapshot original = Snapshot(folder);
    ASSERT_TRUE(Hide(main, folder).Succeeded);
    WriteFile(folder / "kept.txt", "newer");
    prompts.YesNoCancelAnswers = {Answer::Yes};

    faults::FailAt(faults::Op::Delete, 1); // the locker's deletion
    const Outcome outcome = Restore(main, folder);
    faults::Clear();
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_TRUE(outcome.Message.startsWith(QStringLiteral("Cannot delete file"))) << outcome.Message.toStdString();
    EXPECT_TRUE(Snapshot(folder) == original);
    EXPECT_FALSE(fs::exists(folder / "kept.txt"));
    EXPECT_TRUE(LockerOpensTo(LockerOf(folder), original));
}

// The extraction goes to a staging folder: a partial item never lies under
// the item's name, and Stop leaves the hidden locker alone.
TEST_F(RunsTest, StopDuringALargeExtractionLeavesNothingUnderTheNameAndKeepsTheLockerHidden) {
    HookedMainWindow& main = OpenHookedWindow();
    const fs::path file = temp / "large.bin";
    WriteFile(file, std::string(24 << 20, 'L'));
    const TreeSnapshot original = Snapshot(file);
    ASSERT_TRUE(Hide(main, file).Succeeded);

    bool stoppedMidway = false;
    bool itemSeen = false;
    main.OnProgress = [&](std::int64_t done, std::int64_t total) {
        itemSeen = itemSeen || fs::exists(file);
        if (done > 0 && done < total && !main.FStopRequested) {
            stoppedMidway = true;
            main.btnStop->click();
        }
    };
    main.BeginBusy(1); // Stop is taken only during a run
    const Outcome outcome = Restore(main, file);
    main.EndBusy();
    EXPECT_TRUE(stoppedMidway);
    EXPECT_FALSE(itemSeen);
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(outcome.Message, QStringLiteral("Operation cancelled by user."));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(HasBits(LockerOf(file), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(LockerOpensTo(LockerOf(file), original));
}

// Faults at each step of a hide. After each, the item as it was or a locker
// that opens to it exists, and no temporary locker is left unless the step
// says so.
TEST_F(RunsTest, FaultsDuringAHideNeverLoseTheItem) {
    struct Case {
        const char* name;
        std::function<void()> inject;
        bool itemKept;
        bool temporaryKept;
    };
    const Case cases[] = {
        {"disk full while writing", [] { faults::FailWriteAfter(1000); }, true, false},
        {"flushing the locker fails", [] { faults::FailAt(faults::Op::Sync, 1); }, true, false},
        {"taking the item off its name fails", [] { faults::FailAt(faults::Op::Rename, 1); }, true, false},
        {"flushing the folder fails", [] { faults::FailAt(faults::Op::Sync, 2); }, true, false},
        {"renaming the locker fails", [] { faults::FailAt(faults::Op::Rename, 2); }, true, false},
        {"marking the checked item for deletion fails", [] { faults::FailAt(faults::Op::Rename, 3); }, true, false},
        // The item is off its name and checked; the locker stays.
        {"deleting the item fails", [] { faults::FailAt(faults::Op::Delete, 1); }, false, false},
        {"hiding the locker fails", [] { faults::FailAt(faults::Op::SetAttributes, 1); }, true, false},
    };
    TfrmMain& main = OpenHookedWindow();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = temp / ("item" + std::to_string(++n) + ".bin");
        WriteFile(file, std::string(100000, static_cast<char>('a' + n)));
        const TreeSnapshot original = Snapshot(file);

        c.inject();
        const Outcome outcome = Hide(main, file);
        faults::Clear();

        EXPECT_FALSE(outcome.Succeeded);
        EXPECT_FALSE(outcome.Message.isEmpty() && outcome.Raised.isEmpty());
        EXPECT_TRUE(ItemOrLockerSurvives(file, original));
        EXPECT_EQ(fs::exists(file), c.itemKept);
        EXPECT_EQ(fs::exists(TemporaryOf(file)), c.temporaryKept);
        if (c.itemKept && !c.temporaryKept) {
            EXPECT_FALSE(fs::exists(LockerOf(file))); // the item alone: the path reads "Visible"
        }
        if (c.temporaryKept) {
            // The verified temporary locker opens too, and the next attempt replaces it.
            EXPECT_TRUE(LockerOpensTo(TemporaryOf(file), original));
            EXPECT_TRUE(Hide(main, file).Succeeded);
            EXPECT_TRUE(NoTemporaryLocker());
            EXPECT_TRUE(LockerOpensTo(LockerOf(file), original));
        }
    }
    EXPECT_EQ(prompts.Asked.size(), 0u);
}

// An item that cannot be deleted after its locker is in place: the hide is
// reported as failed, naming what is left; the next restore cleans it up.
TEST_F(RunsTest, TheMessageOfAnItemThatCannotBeDeleted) {
    TfrmMain& main = OpenHookedWindow();
    const fs::path file = temp / "busy.txt";
    WriteFile(file, "busy");
    const TreeSnapshot original = Snapshot(file);
    faults::FailAt(faults::Op::Delete, 1);
    const Outcome outcome = Hide(main, file);
    faults::Clear();
    EXPECT_FALSE(outcome.Succeeded);
    const QString start = QStringLiteral("The locker is in place, but part of the item could not be deleted: ") +
                          ToQ(temp / ".busy.txt.vkdelete-");
    EXPECT_TRUE(outcome.Message.startsWith(start)) << outcome.Message.toStdString();
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(LockerOpensTo(LockerOf(file), original));

    ASSERT_TRUE(Restore(main, file).Succeeded);
    EXPECT_EQ(ReadFile(file), "busy");
    EXPECT_EQ(prompts.Asked.size(), 0u);
}

// Faults at each step of a restore: the restored item, or the locker (hidden
// again) that opens to it.
TEST_F(RunsTest, FaultsDuringARestoreNeverLoseTheItem) {
    struct Case {
        const char* name;
        bool folder; // a folder tree, else one file
        std::function<void()> inject;
        const char* messageEnd; // the end of the message, or of the raised error
    };
    const Case cases[] = {
        {"marking the extraction complete fails", true, [] { faults::FailAt(faults::Op::Rename, 1); }, ""},
        {"moving the item into place fails", true, [] { faults::FailAt(faults::Op::Rename, 2); }, ""},
        {"disk full while writing", true, [] { faults::FailWriteAfter(30000); }, ""},
        // One file: after the disk fills, call 2 clears the partial file's
        // attributes and call 3 hides the locker again.
        {"disk full, then hiding the locker again fails", false,
         [] {
             faults::FailWriteAfter(30000);
             faults::FailAt(faults::Op::SetAttributes, 3);
         },
         ""},
        {"flushing the restored item fails", true, [] { faults::FailAt(faults::Op::Sync, 1); }, ""},
        {"flushing the item's folder fails", true, [] { faults::FailAt(faults::Op::Sync, 9); }, ""},
        {"deleting the locker fails", true, [] { faults::FailAt(faults::Op::Delete, 1); }, ""},
    };
    TfrmMain& main = OpenHookedWindow();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path item = temp / ("Item" + std::to_string(++n));
        if (c.folder)
            MakeTree(item);
        else
            WriteFile(item, std::string(100000, 'f'));
        const TreeSnapshot original = Snapshot(item);
        ASSERT_TRUE(Hide(main, item).Succeeded);

        c.inject();
        const Outcome outcome = Restore(main, item);
        faults::Clear();

        EXPECT_FALSE(outcome.Succeeded);
        const QString text = outcome.Message + outcome.Raised;
        EXPECT_FALSE(text.isEmpty());
        EXPECT_TRUE(text.endsWith(QString::fromUtf8(c.messageEnd))) << text.toStdString();
        EXPECT_FALSE(fs::exists(item));
        EXPECT_TRUE(HasBits(LockerOf(item), FILE_ATTRIBUTE_HIDDEN));
        EXPECT_TRUE(ItemOrLockerSurvives(item, original));
    }
}

} // namespace
} // namespace vk::test
