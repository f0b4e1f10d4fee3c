// The hide and restore runs, the busy state, Stop, and closing the window
// during a run.

#include "ui/RunsFixture.h"

#include <QApplication>
#include <QCursor>
#include <QProgressBar>
#include <QRegularExpression>
#include <QToolButton>

namespace vk::test {
namespace {

using Kind = ScriptedPrompts::Kind;

TEST(ProgressPositionTest, SharesOfAThousandRoundedHalfToEvenAndClamped) {
    struct Case {
        std::int64_t done, total;
        int position;
    };
    const Case cases[] = {
        {1, 3, 333},
        {2, 3, 667},
        {3, 3, 1000},
        {0, 0, 0},
        {5, 0, 0},
        {5, -1, 0},
        {4, 3, 1000},
        {-1, 3, 0},
        {1, 2000, 0},
        {3, 2000, 2}, // 0.5 and 1.5: to the even step
        {(std::int64_t{1} << 40) - 1, std::int64_t{1} << 40, 1000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TfrmMain::ProgressPosition(c.done, c.total, 0, 1000), c.position) << c.done << "/" << c.total;
}

// A run's summary: its counts, then how long it took.
bool IsSummary(const QString& text, const char* counts) {
    return QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(QString::fromUtf8(counts)) +
                              QStringLiteral(", (\\d+ min )?\\d+ s$"))
        .match(text)
        .hasMatch();
}

class RunsWithFiles : public RunsTest {
protected:
    // Five files; those at hiddenRows are hidden before the window opens.
    QStringList MakeFiles(int count, std::initializer_list<int> hiddenRows = {}) {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const fs::path file = temp / "files" / ("file" + std::to_string(i + 1) + ".txt");
            WriteFile(file, "content " + std::to_string(i + 1));
            files.push_back(file);
            paths << ToQ(file);
        }
        if (hiddenRows.size() > 0) {
            TfrmMain& helper = OpenHookedWindow();
            for (const int row : hiddenRows) {
                QString message;
                EXPECT_TRUE(helper.HidePathIntoLocker(paths[row], message)) << message.toStdString();
            }
        }
        return paths;
    }
    std::vector<fs::path> files;
};

TEST_F(RunsWithFiles, HideRunOverFiveRowsOfWhichTwoAreHidden) {
    const QStringList paths = MakeFiles(5, {1, 3});
    HookedMainWindow& main = OpenWindowWith(paths);

    main.btnEncryptAndHideAll->click();

    for (const fs::path& file : files) {
        EXPECT_FALSE(fs::exists(file));
        EXPECT_TRUE(fs::exists(LockerOf(file)));
    }
    // Rows 2 and 4 are skipped without an engine call; every other row shows its counter.
    EXPECT_TRUE(main.LabelsSeen.contains(QStringLiteral("1/5")));
    EXPECT_FALSE(main.LabelsSeen.contains(QStringLiteral("2/5")));
    EXPECT_TRUE(main.LabelsSeen.contains(QStringLiteral("3/5")));
    EXPECT_TRUE(main.LabelsSeen.contains(QStringLiteral("5/5")));
    // The one question: whether to save the three new lockers' recovery codes.
    ASSERT_EQ(prompts.Asked.size(), 1U);
    EXPECT_TRUE(prompts.Asked[0].text.startsWith(QStringLiteral("Lockers created: 3\n")));
    EXPECT_EQ(main.Saves, 1);
    EXPECT_EQ(main.Refreshes, 1);
    // Idle again: bar hidden, the counter gone, the summary in its place.
    EXPECT_FALSE(main.FBusy);
    EXPECT_TRUE(main.ProgressBar1->isHidden());
    EXPECT_EQ(main.lblStatus->text(), QStringLiteral("Ready"));
    EXPECT_TRUE(IsSummary(main.lblProgress->text(), "3 hidden")) << main.lblProgress->text().toStdString();
    EXPECT_FALSE(main.lblStatus->isEnabled());
    EXPECT_FALSE(main.btnStop->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(StatusOf(row), QStringLiteral("Encrypted & Hidden"));
    EXPECT_EQ(SavedPaths().size(), 5u);

    // And back: the restore run over all rows.
    main.btnDecryptAndUnhideAll->click();
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(ReadFile(files[i]), "content " + std::to_string(i + 1));
    EXPECT_EQ(prompts.Asked.size(), 1U);
    EXPECT_EQ(main.Saves, 2);
}

TEST_F(RunsWithFiles, SelectedRuns) {
    const QStringList paths = MakeFiles(2);
    HookedMainWindow& main = OpenWindowWith(paths);

    // Nothing selected: nothing at all happens, not even a save.
    main.btnEncryptAndHideSelectedClick();
    main.btnDecryptAndUnhideSelectedClick();
    EXPECT_EQ(main.Saves, 0);
    EXPECT_EQ(main.Refreshes, 0);
    EXPECT_TRUE(main.LabelsSeen.isEmpty());

    // A restore over a visible row: busy and idle again, nothing shown, saved.
    Select(1);
    main.btnDecryptAndUnhideSelected->click();
    EXPECT_EQ(main.Saves, 1);
    EXPECT_TRUE(fs::exists(files[1]));

    main.EncryptHideSelected1->trigger();
    EXPECT_FALSE(fs::exists(files[1]));
    EXPECT_TRUE(fs::exists(files[0]));
    EXPECT_EQ(StatusOf(1), QStringLiteral("Encrypted & Hidden"));
    EXPECT_EQ(prompts.TextsOf(Kind::ConfirmOkCancel).size(), 1);
    EXPECT_EQ(prompts.Asked.size(), 1U);
    EXPECT_EQ(main.Saves, 2);
}

TEST_F(RunsWithFiles, AFailedRowShowsItsBoxAndTheRunGoesOn) {
    const QStringList paths = MakeFiles(3);
    HookedMainWindow& main = OpenWindowWith(paths);
    // A link in the item's place reads "Visible" and is refused by the hide.
    fs::remove(files[0]);
    fs::create_symlink(files[1], files[0]);

    main.btnEncryptAndHideAll->click();

    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_TRUE(prompts.Messages()[0].startsWith(QStringLiteral("Error hiding: ") + paths[0] + QStringLiteral("\n")))
        << prompts.Messages()[0].toStdString();
    EXPECT_TRUE(IsSummary(main.lblProgress->text(), "2 hidden, 1 failed")) << main.lblProgress->text().toStdString();
    EXPECT_TRUE(fs::exists(LockerOf(files[1])));
    EXPECT_TRUE(fs::exists(LockerOf(files[2])));
    EXPECT_EQ(main.Saves, 1);
}

TEST_F(RunsWithFiles, StopDuringRowTwoOfFive) {
    const QStringList paths = MakeFiles(5);
    HookedMainWindow& main = OpenWindowWith(paths);
    QString labelAfterStop;
    bool busyCursorShown = false;
    QString firstRowDuringSecond;
    main.OnProgress = [&](std::int64_t, std::int64_t) {
        busyCursorShown =
            QApplication::overrideCursor() != nullptr && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        if (main.FCurrentItemIndex == 2 && !main.FStopRequested) {
            // The first row says what became of its item while the run goes on.
            firstRowDuringSecond = StatusOf(0);
            ASSERT_TRUE(fs::exists(TemporaryOf(files[1]))); // its locker is being written
            main.btnStop->click();
            labelAfterStop = main.lblStatus->text();
            main.btnStop->click(); // disabled now: no second effect
        }
    };

    main.btnEncryptAndHideAll->click();

    EXPECT_TRUE(busyCursorShown);
    EXPECT_EQ(labelAfterStop, QStringLiteral("2/5 stopping..."));
    EXPECT_EQ(firstRowDuringSecond, QStringLiteral("Encrypted & Hidden"));
    // The user's own Stop is reported as stopped, not as an error.
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_TRUE(IsSummary(main.lblProgress->text(), "Stopped: 1 hidden")) << main.lblProgress->text().toStdString();
    EXPECT_FALSE(fs::exists(files[0]));
    EXPECT_TRUE(fs::exists(LockerOf(files[0])));
    for (std::size_t i = 1; i < 5; ++i) {
        EXPECT_EQ(ReadFile(files[i]), "content " + std::to_string(i + 1));
        EXPECT_FALSE(fs::exists(LockerOf(files[i])));
    }
    EXPECT_TRUE(NoTemporaryLocker());
    // Idle again, with the idle commands enabled; refreshed and saved once.
    EXPECT_FALSE(main.FBusy);
    EXPECT_FALSE(main.FStopRequested);
    EXPECT_TRUE(main.btnEncryptAndHideAll->isEnabled());
    EXPECT_TRUE(main.btnAddFolder->isEnabled());
    EXPECT_FALSE(main.btnStop->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(main.Saves, 1);
    EXPECT_EQ(StatusOf(0), QStringLiteral("Encrypted & Hidden"));
    EXPECT_EQ(StatusOf(1), QStringLiteral("Visible"));
}

TEST_F(RunsWithFiles, StopOutsideARunDoesNothingAndWithoutACountSaysStopping) {
    MakeFiles(1);
    HookedMainWindow& main = OpenWindowWith({});
    main.btnStopClick();
    EXPECT_FALSE(main.FStopRequested);

    main.BeginBusy(0);
    EXPECT_EQ(main.lblStatus->text(), QString());
    main.btnStopClick();
    EXPECT_TRUE(main.FStopRequested);
    EXPECT_EQ(main.lblStatus->text(), QStringLiteral("Stopping..."));
    main.EndBusy();
    EXPECT_FALSE(main.FStopRequested);
}

TEST_F(RunsWithFiles, ProgressMovesTheBar) {
    HookedMainWindow& main = OpenWindowWith({});
    main.BeginBusy(3);
    main.FCurrentItemIndex = 2;
    EXPECT_EQ(main.ProgressBar1->maximum(), 1000);
    main.LockerProgress("/some/where/ignored", 1, 3);
    EXPECT_EQ(main.ProgressBar1->value(), 333);
    EXPECT_EQ(main.lblStatus->text(), QStringLiteral("2/3"));
    EXPECT_EQ(main.lblProgress->text(), QStringLiteral("ignored  \u2014  1 B of 3 B"));
    main.LockerProgress("ignored", 7, 3);
    EXPECT_EQ(main.ProgressBar1->value(), 1000);
    main.EndBusy();
    EXPECT_EQ(main.ProgressBar1->value(), 0);
}

TEST_F(RunsWithFiles, ClosingTheWindowDuringARunStopsItAndClosesAfterwards) {
    const QStringList paths = MakeFiles(3);
    HookedMainWindow& main = OpenWindowWith(paths);
    main.show();
    bool closedDuringRun = true;
    main.OnProgress = [&](std::int64_t, std::int64_t) {
        if (main.FCurrentItemIndex == 1 && !main.FStopRequested) {
            closedDuringRun = main.close();
            EXPECT_TRUE(main.isVisible());
        }
    };

    main.btnEncryptAndHideAll->click();
    EXPECT_FALSE(closedDuringRun);
    EXPECT_TRUE(main.isVisible()); // not under the unwinding run
    // A close stops the run as Stop does: no error box, the summary says so.
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_TRUE(IsSummary(main.lblProgress->text(), "Stopped: 0 hidden")) << main.lblProgress->text().toStdString();
    for (const fs::path& file : files)
        EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(main.Saves, 1);

    EXPECT_TRUE(WaitUntil([&] { return !main.isVisible(); }));
}

} // namespace
} // namespace vk::test
