// Setting or changing the application password. The password of every locker
// is the application password, so a change rewrites every locker: first every
// hidden path is restored with the old password, then all of them are hidden
// again with the new one.
//
// Which password the settings file holds decides what the user can open after
// the program ends at any instant, a crash included:
//   - during pass 1 the file holds the old password; each listed path is a
//     readable item or a locker under the old password;
//   - once pass 1 is through, every listed path is a readable item, and the
//     new password is saved (flushed to the disk) before the first locker is
//     written under it;
//   - during pass 2 the file holds the new password; each listed path is a
//     readable item or a locker under the new password.

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "settings/uSettings.h"
#include "ui/Prompts.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QProgressBar>
#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace vk {

namespace {

const QString LineBreak = QStringLiteral("\r\n");

bool LockerExists(const QString& path) {
    return platform::FileExists(ToPath(TfrmMain::GetLockerPath(path)));
}

// The listed paths whose locker file exists and that are not in done, in row order.
QStringList PathsWithLocker(const TfrmMain& window, const QStringList& done = {}) {
    QStringList hidden;
    for (const QString& path : window.ListedPaths())
        if (!done.contains(path) && LockerExists(path))
            hidden << path;
    return hidden;
}

// True when path lies somewhere inside folder.
bool LiesInside(const QString& path, const QString& folder) {
    const std::filesystem::path relative = ToPath(path).lexically_relative(ToPath(folder));
    return !relative.empty() && relative != "." && *relative.begin() != "..";
}

// The order in which pass 2 hides the restored paths: a path that lies inside
// another restored folder before that folder (hiding the folder first would
// take the path's readable item into the folder's locker); otherwise the order
// in which they were restored.
QStringList InnermostFirst(const QStringList& restored) {
    std::vector<std::pair<int, QString>> byDepth;
    for (const QString& path : restored) {
        const auto depth = std::count_if(restored.begin(), restored.end(),
                                         [&](const QString& folder) { return LiesInside(path, folder); });
        byDepth.emplace_back(static_cast<int>(depth), path);
    }
    std::stable_sort(byDepth.begin(), byDepth.end(),
                     [](const auto& first, const auto& second) { return first.first > second.first; });
    QStringList ordered;
    for (const auto& entry : byDepth)
        ordered << entry.second;
    return ordered;
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

// The last line of an outcome message: which password opens the lockers now.
QString PasswordInForceText(const std::string& inForce, const std::string& newPassword) {
    if (inForce.empty())
        return TranslatedText("No password is set; the program ends.");
    if (inForce == newPassword)
        return TranslatedText("The new password is in force.");
    return TranslatedText("The old password is still in force.");
}

// Pass 1: restores every path of pending with the old password, in order,
// and then every listed path whose locker came back with a restored folder (a
// hidden path inside another hidden path), until no listed locker is left.
// Each discovered path adds two items to the run. Returns the restored paths
// in the order restored; ends early, between items, when Stop was pressed.
QStringList RestoreEveryLocker(TfrmMain& window, QStringList pending, int& done) {
    QStringList restored;
    while (!pending.isEmpty()) {
        for (const QString& path : pending) {
            if (window.FStopRequested)
                return restored;
            ShowItemStarted(window, ++done);
            QString reason;
            if (!window.RestorePathFromLocker(path, reason))
                RaiseItemFailure("Error decrypting: ", path, reason);
            // A conflict answered with "skip" reports success but keeps the
            // locker under the old password; the change cannot complete then.
            if (LockerExists(path))
                RaiseItemFailure("Error decrypting: ", path,
                                 TranslatedText("Locker already exists: ") + TfrmMain::GetLockerPath(path));
            restored << path;
        }
        pending = PathsWithLocker(window, restored);
        window.FTotalItems += 2 * static_cast<int>(pending.size());
    }
    return restored;
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
    // Cancelled, closed or confirmed unchanged while a password is set.
    if (newPassword == oldPassword) {
        SaveSettings();
        return;
    }

    // The password is in force only once the settings file holds it: a
    // password kept in memory alone would lock every locker written under it
    // away at the next start. On a first run this leaves no password set, and
    // the window's activation then ends the program.
    const auto putNewPasswordInForce = [&] {
        FSettings.GeneralPassword = newPassword;
        try {
            SaveSettings();
        } catch (...) {
            FSettings.GeneralPassword = oldPassword;
            throw;
        }
    };
    const auto reportFailure = [&](const std::exception& error) {
        FPrompts.Message(TranslatedText("Password change failed.") + LineBreak + QString::fromStdString(error.what()) +
                         LineBreak + PasswordInForceText(FSettings.GeneralPassword, newPassword));
    };

    // The rows hidden at this moment, in row order: exactly those whose locker
    // file exists, whatever their status text says. The list cannot change
    // while the change runs (busy state).
    const QStringList hiddenPaths = PathsWithLocker(*this);
    if (hiddenPaths.isEmpty()) {
        try {
            putNewPasswordInForce();
        } catch (const std::exception& error) {
            reportFailure(error);
        }
        return;
    }

    BeginBusy(2 * static_cast<int>(hiddenPaths.size()));
    ScopeExit endBusy([this] { EndBusy(); });
    int done = 0;
    try {
        const QStringList restored = RestoreEveryLocker(*this, hiddenPaths, done);
        if (FStopRequested) {
            // Paths restored so far are readable and without a locker; the
            // rest are lockers under the old password, which stays in force.
            RefreshAllStatuses();
            return;
        }

        // Every listed path is readable now and none needs the old password:
        // the new one goes to the disk before any locker is written under it.
        putNewPasswordInForce();

        // Pass 2: hide every restored path again with the new password.
        qsizetype hiddenAgain = 0;
        for (const QString& path : InnermostFirst(restored)) {
            if (FStopRequested)
                break;
            ShowItemStarted(*this, ++done);
            QString reason;
            if (!HidePathIntoLocker(path, reason))
                RaiseItemFailure("Error encrypting: ", path, reason);
            ++hiddenAgain;
        }
        RefreshAllStatuses();
        SaveSettings();
        // Stopped between items of pass 2: the paths not yet hidden again stay
        // readable, and the user must know the new password opens the rest.
        if (hiddenAgain < restored.size())
            FPrompts.Message(TranslatedText("Password change stopped.") + LineBreak +
                             PasswordInForceText(FSettings.GeneralPassword, newPassword));
    } catch (const std::exception& error) {
        // Before the new password was saved the old one is still in force (a
        // failed save of the new one has put it back); after, the new one.
        RefreshAllStatuses();
        // The failure is reported even when saving fails too; the saving
        // error is then shown by the command's error display.
        std::exception_ptr saveError;
        try {
            SaveSettings();
        } catch (const std::exception&) {
            saveError = std::current_exception();
        }
        reportFailure(error);
        if (saveError)
            std::rethrow_exception(saveError);
    }
}

} // namespace vk
