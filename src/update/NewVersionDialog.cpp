#include "update/NewVersionDialog.h"

#include "settings/uSettings.h"
#include "ui/Prompts.h"
#include "ui/Resources.h"
#include "ui/UiText.h"
#include "update/InstallerDownload.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vk {

ShellOpen DesktopShellOpen() {
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

TfrmNewVersion::TfrmNewVersion(const UpdateOffer& offer, Prompts& prompts, UpdateSite site, ShellOpen shellOpen,
                               QWidget* parent)
    : QDialog(parent), FPrompts(prompts), FSite(std::move(site)), FShellOpen(std::move(shellOpen)),
      // The message is composed with CR LF line ends; a label breaks lines at LF.
      FUpdateMessage(QString::fromStdString(offer.UpdateMessage).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))),
      FForceExit(offer.ForceExit) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Segoe UI"), 9));

    VirtualImage1 = new QLabel(this);
    VirtualImage1->setObjectName(QStringLiteral("VirtualImage1"));
    VirtualImage1->setFixedSize(70, 75);
    VirtualImage1->setPixmap(ImageIcon("update-icon").pixmap(VirtualImage1->size()));

    // Word-wrapped; the dialog grows with the message and its translation.
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setMinimumWidth(301);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedHeight(17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    // Enter on a focused button presses it.
    btUpdateNow = new QPushButton(this);
    btUpdateNow->setObjectName(QStringLiteral("btUpdateNow"));
    btUpdateNow->setMinimumWidth(100);
    btUpdateNow->setAutoDefault(true);
    connect(btUpdateNow, &QPushButton::clicked, this, &TfrmNewVersion::btUpdateNowClick);

    btCancel = new QPushButton(this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    btCancel->setMinimumWidth(75);
    btCancel->setAutoDefault(true);
    connect(btCancel, &QPushButton::clicked, this, &TfrmNewVersion::btCancelClick);

    auto* message = new QHBoxLayout;
    message->addWidget(VirtualImage1, 0, Qt::AlignTop);
    message->addWidget(Label1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btUpdateNow);
    buttons->addWidget(btCancel);
    auto* column = new QVBoxLayout(this);
    column->addLayout(message);
    column->addWidget(ProgressBar1);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

TfrmNewVersion::~TfrmNewVersion() = default;

void TfrmNewVersion::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmNewVersion::FormShow() {
    FOutcome = UpdateOutcome::Continue;
    setWindowTitle(QStringLiteral(" ") + QString::fromUtf8(ApplicationTitle));
    btUpdateNow->setText(TranslatedText("Update Now"));
    btCancel->setText(FForceExit ? TranslatedText("Exit") : TranslatedText("Skip"));
    Label1->setText(FUpdateMessage);
    // The size follows the texts just set, before the dialog is drawn.
    layout()->activate();
}

// Every way of closing passes here: the buttons, the close box and Escape. A
// close request during a download is held back; the download closes the
// dialog itself when it ends. The result of exec() is the outcome.
void TfrmNewVersion::done(int) {
    if (FDownload)
        return;
    FormClose();
    QDialog::done(static_cast<int>(FOutcome));
}

void TfrmNewVersion::FormClose() {
    if (FForceExit)
        FOutcome = UpdateOutcome::Exit;
}

void TfrmNewVersion::btCancelClick() {
    if (FDownload) {
        // Abort ends the transfer at once, also when the server has stopped
        // sending; a second press changes nothing.
        FDownload->Fail(TranslatedText("Download is cancelled. Please download manually."));
        return;
    }
    close();
}

void TfrmNewVersion::btUpdateNowClick() {
    // From here on the program ends when the dialog closes, whatever happens.
    FForceExit = true;
    btCancel->setText(TranslatedText("Abort"));
    btUpdateNow->setEnabled(false);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    ProgressBar1->repaint();

    // A private folder of its own: no other user can plant a link or swap the
    // file between the download and the installer's start.
    QString failure;
    const QString folder = InstallerDownload::MakePrivateFolder(failure);
    const QString target =
        folder.isEmpty() ? QString() : QDir(folder).filePath(QString::fromLatin1(DownloadedInstallerName));
    if (!folder.isEmpty()) {
        InstallerDownload download;
        FDownload = &download;
        failure = download.Run(QUrl(FSite.BaseUrl + QString::fromLatin1(InstallerPath)), target,
                               [this](qint64 received) { DownloadProgress(received); });
        FDownload = nullptr;
    }
    if (failure.isEmpty() && !QFileInfo::exists(target))
        failure = TranslatedText("Cannot find downloaded file.");

    if (failure.isEmpty()) {
        FShellOpen(QUrl::fromLocalFile(target));
    } else {
        // A partial download is never left behind to be started later.
        if (!folder.isEmpty())
            QDir(folder).removeRecursively();
        FPrompts.Message(TranslatedText("Failed to download update. Please download manually on website.") +
                             QStringLiteral("\n\n") + failure,
                         Prompts::Icon::Error);
        FShellOpen(QUrl(FSite.BaseUrl));
    }
    close();
}

void TfrmNewVersion::DownloadProgress(qint64 received) {
    // Without a content length (none given, or chunked) the bar stays where it is.
    const qint64 length = FDownload->ContentLength();
    if (length <= 0)
        return;
    ProgressBar1->setValue(static_cast<int>(std::min<qint64>(received * 100 / length, 100)));
    ProgressBar1->repaint();
}

} // namespace vk
