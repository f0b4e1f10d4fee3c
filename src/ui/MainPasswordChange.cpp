// Setting or changing the application password. The password of every locker
// is the application password, so a change rewrites every locker: first every
// hidden path is restored with the old password, then all of them are hidden
// again with the new one.

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "settings/uSettings.h"
#include "ui/Prompts.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QProgressBar>
#include <QTreeWidget>
#include <exception>

namespace vk {

namespace {

const QString LineBreak = QStringLiteral("\r\n");

bool LockerExists(const QString& path) {
    return platform::FileExists(ToPath(TfrmMain::GetLockerPath(path)));
}

// The listed paths whose locker file exists, in row order.
QStringList PathsWithLocker(const TfrmMain& window) {
    QStringList hidden;
    for (const QString& path : window.ListedPaths())
        if (LockerExists(path))
            hidden << path;
    return hidden;
}

// Shows the counter for the item about to be processed and starts its
// progress from zero.
void ShowItemStarted(TfrmMain& window, int done) {
    window.FCurrentItemIndex = done;
    window.UpdateStatusLabel();
    window.ProgressBar1->setValue(0);
}

[[noreturn]] void RaiseItemFailure(const char* what, const QString& path, const QString& reason) {
    throw Error((TranslatedText(what) + path + LineBreak + reason).toStdString());
}

} // namespace

void TfrmMain::btnChangePasswordClick() {
    const std::string oldPassword = FSettings.GeneralPassword;
    QString entered = QString::fromStdString(oldPassword);
    FPrompts.ChangePassword(entered);
    const std::string newPassword = entered.toStdString();

    // Nothing entered: a first run whose dialog was cancelled. Nothing is saved.
    if (newPassword.empty())
        return;
    // Cancelled, closed or confirmed unchanged while a password is set.
    if (newPassword == oldPassword) {
        SaveSettings();
        return;
    }

    // The rows hidden at this moment, in row order: exactly those whose locker
    // file exists, whatever their status text says. The list cannot change
    // while the change runs (busy state).
    const QStringList hiddenPaths = PathsWithLocker(*this);
    if (hiddenPaths.isEmpty()) {
        FSettings.GeneralPassword = newPassword;
        SaveSettings();
        return;
    }

    BeginBusy(2 * static_cast<int>(hiddenPaths.size()));
    ScopeExit endBusy([this] { EndBusy(); });
    // Set once pass 2 begins. From then on no locker under the old password is
    // left (pass 1 restored them all) and every locker written belongs to the
    // new password, so the new password is the one to keep and save whatever
    // happens next: going back to the old one would leave lockers that the
    // program's own password cannot open.
    bool newPasswordInForce = false;
    int done = 0;
    try {
        // Pass 1: restore every hidden path with the old password.
        for (const QString& path : hiddenPaths) {
            if (FStopRequested)
                break;
            ShowItemStarted(*this, ++done);
            QString reason;
            if (!RestorePathFromLocker(path, reason))
                RaiseItemFailure("Error decrypting: ", path, reason);
            // A conflict answered with "skip" reports success but keeps the
            // locker under the old password; the change cannot complete then.
            if (LockerExists(path))
                RaiseItemFailure("Error decrypting: ", path,
                                 TranslatedText("Locker already exists: ") + GetLockerPath(path));
        }
        if (FStopRequested) {
            // Paths restored so far are readable and without a locker; the
            // rest are lockers under the old password, which stays in force.
            RefreshAllStatuses();
            return;
        }

        // Pass 2: hide every restored path again with the new password.
        FSettings.GeneralPassword = newPassword;
        newPasswordInForce = true;
        for (const QString& path : hiddenPaths) {
            if (FStopRequested)
                break;
            ShowItemStarted(*this, ++done);
            QString reason;
            if (!HidePathIntoLocker(path, reason))
                RaiseItemFailure("Error encrypting: ", path, reason);
        }
        // Completed, or stopped between items of pass 2: either way the
        // lockers on disk need the new password.
        RefreshAllStatuses();
        SaveSettings();
    } catch (const std::exception& error) {
        if (!newPasswordInForce)
            FSettings.GeneralPassword = oldPassword;
        RefreshAllStatuses();
        // The failure is reported even when saving fails too; the saving
        // error is then shown by the command's error display.
        std::exception_ptr saveError;
        try {
            SaveSettings();
        } catch (const std::exception&) {
            saveError = std::current_exception();
        }
        FPrompts.Message(TranslatedText("Password change failed.") + LineBreak + QString::fromStdString(error.what()));
        if (saveError)
            std::rethrow_exception(saveError);
    }
}

} // namespace vk
