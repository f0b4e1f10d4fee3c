#pragma once

// The update dialog shown at start-up when a newer version is offered: it shows
// the prepared message and lets the user download and start the installer, or
// leave. Its outcome tells the start-up whether to go on or end the program.

#include "update/rules/VersionRules.h"
#include "update/uNewVersionCheck.h"

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vk {

class InstallerDownload;
class Prompts;

// Asks the shell to open a web page or to start a file.
using ShellOpen = std::function<void(const QUrl&)>;
// The desktop's own handler (QDesktopServices).
ShellOpen DesktopShellOpen();

// The dialog's outcome, also the result of exec().
enum class UpdateOutcome { Exit = 0, Continue = 1 };

// The name of the downloaded installer in its private download folder.
#ifdef _WIN32
inline constexpr const char* DownloadedInstallerName = "orvan_update.exe";
#else
inline constexpr const char* DownloadedInstallerName = "orvan_update.deb";
#endif

class TfrmNewVersion : public QDialog {
public:
    TfrmNewVersion(const UpdateOffer& offer, Prompts& prompts, UpdateSite site = {},
                   ShellOpen shellOpen = DesktopShellOpen(), QWidget* parent = nullptr);
    ~TfrmNewVersion() override;

    UpdateOutcome Outcome() const { return FOutcome; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void btUpdateNowClick();
    void btCancelClick();
    void DownloadProgress(qint64 received);

    Prompts& FPrompts;
    const UpdateSite FSite;
    const ShellOpen FShellOpen;
    const QString FUpdateMessage;
    bool FForceExit;
    UpdateOutcome FOutcome = UpdateOutcome::Continue;
    InstallerDownload* FDownload = nullptr; // set while a download runs

    QLabel* VirtualImage1;
    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QPushButton* btUpdateNow;
    QPushButton* btCancel;
};

} // namespace vk
