// Hiding one path into its locker and restoring it from the locker.
//
// The promise of both: whatever happens (a wrong password, a damaged locker,
// a full disk, Stop, a conflict), the user ends with the readable item or a
// locker of it that opens, never neither. The item is deleted only after a
// verified locker of it has reached the disk under its final name, and a
// locker only after the restored item has reached the disk.

#include "locker/uLocker.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "settings/uSettings.h"
#include "ui/FlushToDisk.h"
#include "ui/Prompts.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QCheckBox>
#include <QDir>
#include <QStringList>

namespace vk {

namespace fs = std::filesystem;

namespace {

void DeleteFileIfExists(const fs::path& file) {
    if (platform::FileExists(file))
        platform::DeleteFile(file);
}

// The folder the item lies in; the current folder for a bare name.
QString TargetFolderOf(const QString& path) {
    const fs::path folder = ToPath(path).parent_path();
    return folder.empty() ? QDir::currentPath() : ToQString(folder);
}

// Locker work needs the application password; without it the operation
// fails before looking at the disk.
bool PasswordIsSet(const std::string& password, QString& Message) {
    if (!password.empty())
        return true;
    Message = TranslatedText("General password is not set.");
    return false;
}

} // namespace

TLockerProgressProc TfrmMain::ProgressCallback() {
    return
        [this](const std::string& path, std::int64_t done, std::int64_t total) { LockerProgress(path, done, total); };
}

TLockerCancelFunc TfrmMain::CancelCallback() const {
    return [this] { return IsStopRequested(); };
}

bool TfrmMain::HidePathIntoLocker(const QString& P, QString& Message) {
    Message.clear();
    const std::string password = FSettings.GeneralPassword;
    if (!PasswordIsSet(password, Message))
        return false;
    const QString L = GetLockerPath(P);
    const QString T = L + QStringLiteral(".tmp");
    const fs::path item = ToPath(P);
    const fs::path locker = ToPath(L);
    const fs::path temporary = ToPath(T);
    if (platform::FileExists(locker)) {
        Message = TranslatedText("Locker already exists: ") + L;
        return false;
    }
    if (!platform::PathExists(item)) {
        Message = TranslatedText("Path not found: ") + P;
        return false;
    }
    // Left over from an interrupted attempt; a failure to delete it is raised.
    DeleteFileIfExists(temporary);

    const TLockerResult result =
        CreateLocker(P.toStdString(), T.toStdString(), password, ProgressCallback(), CancelCallback());
    if (!result.Success) {
        DeleteFileIfExists(temporary);
        Message = QString::fromStdString(result.MessageText);
        return false;
    }
    // Stop pressed after the engine's last cancel check.
    if (FStopRequested) {
        DeleteFileIfExists(temporary);
        Message = TranslatedText("Operation cancelled by user.");
        return false;
    }
    std::string reason;
    if (!VerifyLocker(T.toStdString(), password, reason)) {
        DeleteFileIfExists(temporary);
        Message = TranslatedText("Locker verification failed: ") + QString::fromStdString(reason);
        return false;
    }
    // The verified bytes reach the disk before the locker takes its final name.
    try {
        FlushFileToDisk(temporary);
    } catch (const std::exception& error) {
        DeleteFileIfExists(temporary);
        Message = QString::fromStdString(error.what());
        return false;
    }
    // A rename replaces its target: a locker that appeared meanwhile is kept.
    if (platform::PathExists(locker))
        throw Error((TranslatedText("Locker already exists: ") + L).toStdString());
    platform::RenameFile(temporary, locker); // raised on failure; the verified T stays
    // The new name reaches the disk before the item is deleted.
    try {
        platform::FlushFolder(locker.parent_path());
    } catch (const std::exception& error) {
        DeleteFileIfExists(locker);
        Message = QString::fromStdString(error.what());
        return false;
    }
    if (!TryDeletePath(P)) {
        DeleteFileIfExists(locker);
        Message = TranslatedText("Failed to move original item to Recycle Bin.");
        return false;
    }
    SetPathHidden(L, true, chkStrongHide->isChecked());
    return true;
}

bool TfrmMain::RestorePathFromLocker(const QString& P, QString& Message) {
    Message.clear();
    const std::string password = FSettings.GeneralPassword;
    if (!PasswordIsSet(password, Message))
        return false;
    const QString L = GetLockerPath(P);
    const fs::path item = ToPath(P);
    const fs::path locker = ToPath(L);
    if (!platform::FileExists(locker)) {
        Message = TranslatedText("Locker file not found: ") + L;
        return false;
    }
    bool skip = false;
    if (!ResolveRestoreConflict(P, skip, Message))
        return false;
    if (skip)
        return true;

    SetPathHidden(L, false, false);
    const QString folder = TargetFolderOf(P);
    QDir().mkpath(folder); // a folder that cannot be made fails the extraction

    // Everything written at P comes from this restore: the conflict step made
    // sure nothing was there before. So a failure removes what exists at P and
    // hides the locker again.
    const auto hideLockerAgain = [&] { SetPathHidden(L, true, chkStrongHide->isChecked()); };
    bool removed = false;
    try {
        const TLockerResult result =
            ExtractLocker(L.toStdString(), folder.toStdString(), password, ProgressCallback(), CancelCallback());
        const bool stopped = result.Success && FStopRequested;
        if (!result.Success || stopped) {
            if (platform::PathExists(item))
                DeletePath(P);
            Message =
                stopped ? TranslatedText("Operation cancelled by user.") : QString::fromStdString(result.MessageText);
            hideLockerAgain();
            return false;
        }
        // The restored item reaches the disk before its locker is deleted.
        FlushTreeToDisk(item);
        platform::FlushFolder(ToPath(folder));
        platform::DeleteFile(locker);
        return true;
    } catch (const std::exception& error) {
        try {
            if (platform::PathExists(item)) {
                DeletePath(P);
                removed = true;
            }
        } catch (const std::exception&) {
            // what could not be removed stays; the locker still holds the item
        }
        try {
            if (platform::FileExists(locker))
                hideLockerAgain();
        } catch (const std::exception&) {
            // a locker that stays visible still opens
        }
        Message = QString::fromStdString(error.what());
        if (removed)
            Message += u'\n' + TranslatedText("(Partial decrypted output was removed.)");
        return false;
    }
}

bool TfrmMain::ResolveRestoreConflict(const QString& P, bool& Skip, QString& Message) {
    Skip = false;
    Message.clear();
    const QString L = GetLockerPath(P);
    const fs::path item = ToPath(P);
    if (!platform::FileExists(ToPath(L)) || !platform::PathExists(item))
        return true;

    const QStringList lines{
        TranslatedText("Conflict detected for:"),
        P,
        QString(),
        TranslatedText("Both the real path and the locker file exist."),
        TranslatedText("Yes - replace the existing path with the decrypted locker item."),
        TranslatedText("No - remove the locker and keep the existing path."),
        TranslatedText("Cancel - skip this item."),
    };
    switch (FPrompts.AskYesNoCancel(lines.join(u'\n'))) {
    case Prompts::Answer::Yes:
        // Remains of a folder that could only be deleted in part would mix
        // with the restored tree, and a failed restore would delete them:
        // the replacement goes on only when nothing is left at P.
        if (!TryDeletePath(P) || platform::PathExists(item)) {
            Message = TranslatedText("Failed to remove existing path before decrypting: ") + P;
            return false;
        }
        return true;
    case Prompts::Answer::No:
        SetPathHidden(L, false, false);
        platform::DeleteFile(ToPath(L));
        Skip = true;
        return true;
    case Prompts::Answer::Cancel:
        break;
    }
    Skip = true;
    return true;
}

} // namespace vk
