// The hide and restore runs over the selected or all rows. The four commands
// share one procedure and differ only in the values of their TRunKind.

#include "platform/Error.h"
#include "ui/Prompts.h"
#include "ui/RunProgress.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QLabel>
#include <QProgressBar>
#include <QStringList>
#include <QTreeWidget>
#include <vector>

namespace vk {

struct TfrmMain::TRunKind {
    bool SelectedRowsOnly;
    const char* ActsOnStatus; // English status text of the rows acted on
    bool (TfrmMain::*Operation)(const QString& path, QString& message);
    const char* ErrorPrefix;
    const char* DoneCount; // the summary's count of items done, "%d hidden"
};

namespace {

using TRunKind = TfrmMain::TRunKind;

const TRunKind HideSelectedRun{true, StatusVisible, &TfrmMain::HidePathIntoLocker, "Error hiding: ", "%d hidden"};
const TRunKind RestoreSelectedRun{true, StatusEncryptedHidden, &TfrmMain::RestorePathFromLocker,
                                  "Error unhiding: ", "%d restored"};
const TRunKind HideAllRun{false, StatusVisible, &TfrmMain::HidePathIntoLocker, "Error hiding: ", "%d hidden"};
const TRunKind RestoreAllRun{false, StatusEncryptedHidden, &TfrmMain::RestorePathFromLocker,
                             "Error unhiding: ", "%d restored"};

QString Count(const char* english, int count) {
    return TranslatedText(english).replace(QStringLiteral("%d"), QString::number(count));
}

// "3 hidden, 1 failed, 2 min 10 s"; a stopped run says so first.
QString RunSummary(const TRunKind& run, int done, int failed, int notFound, bool stopped, std::int64_t elapsedMs) {
    QStringList parts{Count(run.DoneCount, done)};
    if (failed > 0)
        parts << Count("%d failed", failed);
    if (notFound > 0)
        parts << Count("%d not found", notFound);
    parts << FormatDuration(elapsedMs / 1000);
    const QString summary = parts.join(QStringLiteral(", "));
    return stopped ? TranslatedText("Stopped:") + u' ' + summary : summary;
}

// The positions a run takes, fixed when it starts: the selected rows in list
// order, or every row.
std::vector<int> RunPositions(const QTreeWidget& list, bool selectedOnly) {
    std::vector<int> positions;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        if (!selectedOnly || list.topLevelItem(i)->isSelected())
            positions.push_back(i);
    return positions;
}

} // namespace

void TfrmMain::btnEncryptAndHideSelectedClick() {
    RunOverRows(HideSelectedRun);
}
void TfrmMain::btnDecryptAndUnhideSelectedClick() {
    RunOverRows(RestoreSelectedRun);
}
void TfrmMain::btnEncryptAndHideAllClick() {
    RunOverRows(HideAllRun);
}
void TfrmMain::btnDecryptAndUnhideAllClick() {
    RunOverRows(RestoreAllRun);
}

void TfrmMain::RunOverRows(const TRunKind& run) {
    const std::vector<int> positions = RunPositions(*ListViewPaths, run.SelectedRowsOnly);
    if (positions.empty())
        return;
    const int total = static_cast<int>(positions.size());
    QStringList notFound;
    int done = 0;
    int failed = 0;
    bool stopped = false;
    std::int64_t elapsedMs = 0;
    {
        BeginBusy(total);
        ScopeExit leaveBusy([this] { EndBusy(); });
        for (int i = 0; i < total; ++i) {
            if (FStopRequested)
                break;
            FCurrentItemIndex = i + 1;
            UpdateStatusLabel();
            ProgressBar1->setValue(0);
            QTreeWidgetItem* row = ListViewPaths->topLevelItem(positions[static_cast<std::size_t>(i)]);
            if (row == nullptr)
                continue;
            const QString path = row->text(0);
            try {
                // The status is set again from the disk before it decides.
                UpdateItemStatus(row);
                if (RowHasStatus(row, StatusNotFound))
                    notFound << path;
                if (!RowHasStatus(row, run.ActsOnStatus))
                    continue;
                QString message;
                const bool succeeded = (this->*run.Operation)(path, message);
                // The row tells at once what became of its item.
                UpdateItemStatus(row);
                if (succeeded) {
                    ++done;
                    continue;
                }
                // The user's own Stop is no failure: the run ends as stopped.
                if (FStopRequested) {
                    stopped = true;
                    break;
                }
                throw Error(message.toStdString());
            } catch (const std::exception& error) {
                ++failed;
                FPrompts.Message(TranslatedText(run.ErrorPrefix) + path + u'\n' + QString::fromStdString(error.what()));
            }
        }
        stopped = stopped || FStopRequested;
        elapsedMs = FRunClock.elapsed();
    }
    lblProgress->setText(RunSummary(run, done, failed, static_cast<int>(notFound.size()), stopped, elapsedMs));
    RefreshAllStatuses();
    SaveSettings();
    // A row with neither item nor locker is left as it is; the user learns
    // why nothing happened to it.
    if (!notFound.isEmpty())
        FPrompts.Message(TranslatedText("Neither the item nor its locker was found, so nothing was done with:") +
                             u'\n' + notFound.join(u'\n') + QStringLiteral("\n\n") +
                             TranslatedText("If it lies on a drive that is not plugged in, plug it in and try again."),
                         Prompts::Icon::Warning);
}

} // namespace vk
