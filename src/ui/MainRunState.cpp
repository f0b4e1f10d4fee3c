// The busy state of a run: progress bar, status counter, busy cursor, Stop,
// and a close request that waits until the run has unwound.

#include "platform/uPlatform.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <cfenv>
#include <cmath>

namespace vk {

namespace {

constexpr int ProgressSteps = 1000;
// Milliseconds between two progress reports the window shows: 60 frames a second.
constexpr qint64 ProgressInterval = 16;

// Lets the window draw itself and handle clicks (Stop among them) while a
// long operation runs on this thread.
void ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

// Fills the first two "%d" of a looked-up text, in order.
QString FillNumbers(QString text, int first, int second) {
    for (const int number : {first, second}) {
        const qsizetype at = text.indexOf(QStringLiteral("%d"));
        if (at < 0)
            break;
        text.replace(at, 2, QString::number(number));
    }
    return text;
}

} // namespace

void TfrmMain::BeginBusy(int total) {
    FBusy = true;
    FStopRequested = false;
    FTotalItems = total;
    FCurrentItemIndex = 0;

    ProgressBar1->setEnabled(true);
    ProgressBar1->setVisible(true);
    lblStatus->setEnabled(true);
    btnStop->setEnabled(true);
    ProgressBar1->setRange(0, ProgressSteps);
    ProgressBar1->setValue(0);
    FProgressShown.invalidate();
    FRunClock.start();
    FRate.Reset();
    FRateItem.clear();
    FRateLastDone = 0;
    lblProgress->clear();

    UpdateStatusLabel();
    UpdateCommandStates();
    if (!FBusyCursorShown) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        FBusyCursorShown = true;
    }
    ProcessPendingEvents();
}

void TfrmMain::EndBusy() {
    FBusy = false;
    FStopRequested = false;
    FCurrentItemIndex = 0;
    FTotalItems = 0;

    ProgressBar1->setValue(0);
    ProgressBar1->setEnabled(false);
    ProgressBar1->setVisible(false);
    lblStatus->setEnabled(false);
    // The counter of a run that has ended says nothing any more; the run's
    // summary, where there is one, takes the progress line.
    lblStatus->setText(TranslatedText("Ready"));
    btnStop->setEnabled(false);

    if (FBusyCursorShown) {
        QApplication::restoreOverrideCursor();
        FBusyCursorShown = false;
    }
    UpdateCommandStates();
    ProcessPendingEvents();

    // A close asked for during the run is carried out once control is back
    // in the event loop, that is after the caller has finished its run.
    if (FCloseRequested) {
        FCloseRequested = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void TfrmMain::UpdateStatusLabel() {
    // A bare counter, never translated.
    lblStatus->setText(FTotalItems > 0 ? QStringLiteral("%1/%2").arg(FCurrentItemIndex).arg(FTotalItems) : QString());
}

int TfrmMain::ProgressPosition(std::int64_t done, std::int64_t total, int minimum, int maximum) {
    double position = 0.0;
    if (total > 0) {
        // Rounded to the nearest step, halves to the even neighbour.
        const int previousMode = std::fegetround();
        std::fesetround(FE_TONEAREST);
        position = std::nearbyint(static_cast<double>(done) / static_cast<double>(total) * maximum);
        std::fesetround(previousMode);
    }
    if (position < minimum)
        return minimum;
    if (position > maximum)
        return maximum;
    return static_cast<int>(position);
}

void TfrmMain::LockerProgress(const std::string& path, std::int64_t done, std::int64_t total) {
    // A folder of many small files reports at the end of every file, far more
    // often than the screen can show it or a click can come: the bar, the
    // counter and the window's events are served at most every
    // ProgressInterval, and always at the end of an item.
    if (done < total && FProgressShown.isValid() && FProgressShown.elapsed() < ProgressInterval)
        return;
    FProgressShown.start();
    ProgressBar1->setValue(ProgressPosition(done, total, ProgressBar1->minimum(), ProgressBar1->maximum()));
    UpdateStatusLabel();
    ShowProgressLine(path, done, total);
    ProcessPendingEvents();
}

void TfrmMain::ShowProgressLine(const std::string& path, std::int64_t done, std::int64_t total) {
    // A new item, or one that starts over (a second pass), is measured anew.
    if (path != FRateItem || done < FRateLastDone) {
        FRate.Reset();
        FRateItem = path;
    }
    FRateLastDone = done;
    FRate.Sample(FRunClock.elapsed(), done);
    QString line = QString::fromStdString(platform::Utf8FromPath(platform::PathFromUtf8(path).filename()));
    if (total > 0)
        line += QStringLiteral("  \u2014  ") +
                FillTexts(TranslatedText("%s of %s"), {FormatBytes(done), FormatBytes(total)});
    const double speed = FRate.BytesPerSecond();
    if (speed > 0.0) {
        line += QStringLiteral("  \u2014  ") + FormatBytes(static_cast<std::int64_t>(speed)) + QStringLiteral("/s");
        const std::int64_t left = FRate.SecondsLeft(total - done);
        if (left >= 0 && done < total)
            line += QStringLiteral("  \u2014  ") + FillTexts(TranslatedText("%s left"), {FormatDuration(left)});
    }
    lblProgress->setText(line);
}

bool TfrmMain::IsStopRequested() const {
    return FStopRequested;
}

void TfrmMain::btnStopClick() {
    if (!FBusy)
        return;
    RequestStop();
    ProcessPendingEvents();
}

void TfrmMain::RequestStop() {
    FStopRequested = true;
    btnStop->setEnabled(false);
    lblStatus->setText(FTotalItems > 0
                           ? FillNumbers(TranslatedText("%d/%d stopping..."), FCurrentItemIndex, FTotalItems)
                           : TranslatedText("Stopping..."));
}

// The window is never destroyed under a running operation: during a run a
// close request stops the run at its next cancel point and the window closes
// when the run has ended (EndBusy).
void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!FBusy) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    FCloseRequested = true;
    RequestStop();
}

} // namespace vk
