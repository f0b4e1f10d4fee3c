// Hiding one path into its locker and restoring it from the locker: the
// window's side only. The transactions themselves, and the promise they keep,
// live in the protect module; here the window lends its password, its
// progress bar, its Stop button and its conflict box.

#include "protect/uPasswordChange.h"
#include "protect/uProtect.h"
#include "settings/uSettings.h"
#include "ui/Prompts.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QCheckBox>
#include <QDateTime>
#include <QStringList>

namespace vk {

TLockerProgressProc TfrmMain::ProgressCallback() {
    return
        [this](const std::string& path, std::int64_t done, std::int64_t total) { LockerProgress(path, done, total); };
}

TLockerCancelFunc TfrmMain::CancelCallback() const {
    return [this] { return IsStopRequested(); };
}

bool TfrmMain::HidePathIntoLocker(const QString& P, QString& Message) {
    TProtectCallbacks callbacks;
    callbacks.Progress = ProgressCallback();
    callbacks.Cancel = CancelCallback();
    const TProtectOutcome outcome =
        HideItem(P.toStdString(), FSettings.GeneralPassword, chkStrongHide->isChecked(), callbacks);
    Message = QString::fromStdString(outcome.MessageText);
    // A locker this run made and kept opens with its code even when the hide
    // failed after it (part of the item could not be deleted): the recovery
    // sheet offers it too.
    if (!outcome.RecoveryCode.empty())
        FNewRecoveryCodes.push_back(
            {P, GetLockerPath(P), QString::fromStdString(outcome.RecoveryCode), QDateTime::currentDateTime()});
    return outcome.Success;
}

bool TfrmMain::RestorePathFromLocker(const QString& P, QString& Message) {
    TProtectCallbacks callbacks;
    callbacks.Progress = ProgressCallback();
    callbacks.Cancel = CancelCallback();
    callbacks.Conflict = [this](const std::string& path) {
        return ResolveRestoreConflict(QString::fromStdString(path));
    };
    callbacks.Discard = DiscardCallback();
    // A locker that a password change could not reach opens with an earlier password.
    const TProtectOutcome outcome = RestoreItemWithEarlierPasswords(
        P.toStdString(), FSettings.GeneralPassword, FSettings.PreviousPasswords, chkStrongHide->isChecked(), callbacks);
    Message = QString::fromStdString(outcome.MessageText);
    return outcome.Success;
}

TConflictAnswer TfrmMain::ResolveRestoreConflict(const QString& P) {
    const QStringList lines{
        TranslatedText("Conflict detected for:"),
        P,
        QString(),
        TranslatedText("Both the real path and the locker file exist."),
        TranslatedText("Yes - replace the existing path with the decrypted locker item."),
        TranslatedText("No - remove the locker and keep the existing path."),
        TranslatedText("Cancel - skip this item."),
        QString(),
        TranslatedText("The version that is not kept goes to the desktop's trash."),
    };
    switch (FPrompts.AskYesNoCancel(lines.join(u'\n'))) {
    case Prompts::Answer::Yes:
        return TConflictAnswer::Replace;
    case Prompts::Answer::No:
        return TConflictAnswer::Keep;
    case Prompts::Answer::Cancel:
        break;
    }
    return TConflictAnswer::Skip;
}

} // namespace vk
