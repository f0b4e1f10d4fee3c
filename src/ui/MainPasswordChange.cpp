// Setting or changing the application password. The password of every locker
// is the application password, so a change writes every listed locker anew
// under the new password, locker to locker, through the core's password
// change: no item is ever laid open on the disk. The settings file holds the
// new password and the record of the change before the first locker is
// written, so a Stop, a crash or a power cut leaves every locker opening
// with the old or the new password; the next start finishes the rest.

#include "platform/uPlatform.h"
#include "protect/uPasswordChange.h"
#include "settings/uSettings.h"
#include "ui/Prompts.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QCheckBox>
#include <QDateTime>
#include <QProgressBar>
#include <QTimer>

namespace vk {

namespace {

const QString LineBreak = QStringLiteral("\r\n");

int ListedLockerCount(const TfrmMain& window) {
    int count = 0;
    for (const QString& path : window.ListedPaths())
        if (platform::FileExists(ToPath(TfrmMain::GetLockerPath(path))))
            ++count;
    return count;
}

// The last line of an outcome message: which password opens the lockers now.
QString PasswordInForceText(const TPasswordChangeOutcome& outcome, const std::string& inForce) {
    if (inForce.empty())
        return TranslatedText("No password is set; the program ends.");
    if (outcome.NewPasswordInForce)
        return TranslatedText("The new password is in force.");
    return TranslatedText("The old password is still in force.");
}

} // namespace

void TfrmMain::btnChangePasswordClick() {
    const std::string oldPassword = FSettings.GeneralPassword;
    QString entered = QString::fromStdString(oldPassword);
    FPrompts.ChangePassword(QString::fromStdString(oldPassword), entered);
    const std::string newPassword = entered.toStdString();

    // Nothing entered: a first run whose dialog was cancelled. Nothing is saved.
    if (newPassword.empty())
        return;
    // Cancelled, closed or confirmed unchanged while a password is set, and
    // no earlier change is left to finish.
    if (newPassword == oldPassword && !FSettings.PasswordChangeInProgress) {
        SaveSettings();
        return;
    }
    FSettings.StrongHide = chkStrongHide->isChecked();
    SyncStoredPaths();
    RunPasswordChange([this, &newPassword](const TProtectCallbacks& callbacks, const TItemStartedFunc& started) {
        return ChangeProgramPassword(FSettings, newPassword, callbacks, started);
    });
}

void TfrmMain::ResumePasswordChange() {
    // Started once the window is up, through the command runner, so progress,
    // Stop and the recovery sheet work as for a change the user started.
    QTimer::singleShot(0, this, [this] { RunCommand(&TfrmMain::FinishInterruptedPasswordChange); });
}

void TfrmMain::FinishInterruptedPasswordChange() {
    if (!FSettings.PasswordChangeInProgress || FBusy)
        return;
    SyncStoredPaths();
    RunPasswordChange([this](const TProtectCallbacks& callbacks, const TItemStartedFunc& started) {
        return FinishPasswordChange(FSettings, callbacks, started);
    });
}

void TfrmMain::RunPasswordChange(
    const std::function<TPasswordChangeOutcome(const TProtectCallbacks&, const TItemStartedFunc&)>& change) {
    // Busy only when there are lockers to write: a change without any is the
    // saving of the settings file alone.
    const int lockers = ListedLockerCount(*this);
    if (lockers > 0)
        BeginBusy(lockers);
    ScopeExit endBusy([this, lockers] {
        if (lockers > 0)
            EndBusy();
    });
    const TPasswordChangeOutcome outcome =
        change({ProgressCallback(), CancelCallback(), {}, {}}, [this](const std::string&, int number, int total) {
            FTotalItems = total;
            FCurrentItemIndex = number;
            UpdateStatusLabel();
            ProgressBar1->setValue(0);
        });
    for (const TRekeyedLocker& locker : outcome.Rekeyed)
        FNewRecoveryCodes.push_back({QString::fromStdString(locker.ItemPath), QString::fromStdString(locker.LockerPath),
                                     QString::fromStdString(locker.RecoveryCode), QDateTime::currentDateTime()});
    if (lockers > 0)
        RefreshAllStatuses();
    if (outcome.Stopped)
        FPrompts.Message(TranslatedText("Password change stopped.") + LineBreak +
                         PasswordInForceText(outcome, FSettings.GeneralPassword) + LineBreak +
                         TranslatedText("The remaining lockers are written anew at the next start."));
    else if (!outcome.Success)
        FPrompts.Message(TranslatedText("Password change failed.") + LineBreak +
                         QString::fromStdString(outcome.MessageText) + LineBreak +
                         PasswordInForceText(outcome, FSettings.GeneralPassword));
}

} // namespace vk
