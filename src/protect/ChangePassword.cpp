// The password change over the listed paths. The settings file holds the new
// password and the record of the change before the first locker is written
// under it, so whatever ends the run, every locker opens with a password the
// file holds; the record goes only once every locker that could be reached
// opens with the new one.

#include "platform/uPlatform.h"
#include "protect/Outcome.h"
#include "protect/uPasswordChange.h"
#include "settings/uSettings.h"

#include <algorithm>

namespace vk {

using namespace protect;

namespace {

struct TListedLocker {
    std::string ItemPath;
    std::string LockerPath;
};

// The listed paths whose locker exists now, in list order.
std::vector<TListedLocker> ListedLockers(const SettingsStore& settings) {
    std::vector<TListedLocker> lockers;
    for (const std::string& path : settings.StoredPaths) {
        const std::string locker = LockerPathOf(path);
        if (platform::FileExists(platform::PathFromUtf8(locker)))
            lockers.push_back({path, locker});
    }
    return lockers;
}

// A listed path with neither its item nor its locker may lie inside another
// hidden item, out of the change's reach.
bool SomePathOutOfReach(const SettingsStore& settings) {
    return std::any_of(settings.StoredPaths.begin(), settings.StoredPaths.end(), [](const std::string& path) {
        return !platform::PathExists(platform::PathFromUtf8(path)) &&
               !platform::FileExists(platform::PathFromUtf8(LockerPathOf(path)));
    });
}

enum class TRowEnd { Rekeyed, AlreadyNew, Failed, Stopped };

// One locker: written anew from the first earlier password that opens it;
// one that none opens may be one an interrupted run finished already.
TRowEnd RekeyRow(const TListedLocker& row, const SettingsStore& settings, const TProtectCallbacks& callbacks,
                 TPasswordChangeOutcome& outcome) {
    std::string reason = TranslateText("Invalid password or recovery code.");
    for (const std::string& earlier : settings.PreviousPasswords) {
        const TRekeyOutcome rekeyed = RekeyLockerFile(row.LockerPath, earlier, settings.GeneralPassword, callbacks);
        if (rekeyed.Success) {
            outcome.Rekeyed.push_back({row.ItemPath, row.LockerPath, rekeyed.RecoveryCode});
            return TRowEnd::Rekeyed;
        }
        if (Cancelled(callbacks))
            return TRowEnd::Stopped;
        if (!rekeyed.SecretRefused) {
            reason = rekeyed.MessageText;
            break;
        }
    }
    std::string ignored;
    if (LockerMayOpenWith(row.LockerPath, settings.GeneralPassword) &&
        VerifyLocker(row.LockerPath, settings.GeneralPassword, ignored))
        return TRowEnd::AlreadyNew;
    outcome.MessageText += (outcome.MessageText.empty() ? "" : "\n") + row.ItemPath + ": " + reason;
    return TRowEnd::Failed;
}

// Re-encrypts every listed locker under the password in force and, unless
// stopped, ends the change: the record goes, and the earlier passwords with
// it when every listed path was reached.
TPasswordChangeOutcome RunChange(SettingsStore& settings, const TProtectCallbacks& callbacks,
                                 const TItemStartedFunc& itemStarted) {
    TPasswordChangeOutcome outcome;
    outcome.NewPasswordInForce = true;
    const std::vector<TListedLocker> rows = ListedLockers(settings);
    bool failed = false;
    for (std::size_t index = 0; index < rows.size(); ++index) {
        if (Cancelled(callbacks)) {
            outcome.Stopped = true;
            return outcome;
        }
        if (itemStarted)
            itemStarted(rows[index].ItemPath, static_cast<int>(index) + 1, static_cast<int>(rows.size()));
        const TRowEnd end = RekeyRow(rows[index], settings, callbacks, outcome);
        if (end == TRowEnd::Stopped) {
            outcome.Stopped = true;
            return outcome;
        }
        failed = failed || end == TRowEnd::Failed;
    }
    const std::vector<std::string> earlier = settings.PreviousPasswords;
    settings.PasswordChangeInProgress = false;
    if (!failed && !SomePathOutOfReach(settings))
        settings.PreviousPasswords.clear();
    try {
        settings.WriteSettingsFile();
    } catch (const std::exception& error) {
        // The record stays on the disk; the next start goes over the lockers again.
        settings.PasswordChangeInProgress = true;
        settings.PreviousPasswords = earlier;
        outcome.MessageText += (outcome.MessageText.empty() ? "" : "\n") + std::string(error.what());
        return outcome;
    }
    outcome.Success = !failed;
    return outcome;
}

} // namespace

TPasswordChangeOutcome ChangeProgramPassword(SettingsStore& settings, const std::string& newPassword,
                                             const TProtectCallbacks& callbacks, const TItemStartedFunc& itemStarted) {
    TPasswordChangeOutcome outcome;
    if (newPassword.empty()) {
        outcome.MessageText = TranslateText("Locker password cannot be empty.");
        return outcome;
    }
    const std::string oldPassword = settings.GeneralPassword;
    const std::vector<std::string> oldEarlier = settings.PreviousPasswords;
    const bool oldInProgress = settings.PasswordChangeInProgress;
    if (!oldPassword.empty() && oldPassword != newPassword) {
        std::vector<std::string> earlier{oldPassword};
        for (const std::string& password : oldEarlier)
            if (password != oldPassword && password != newPassword)
                earlier.push_back(password);
        settings.PreviousPasswords = earlier;
    }
    settings.GeneralPassword = newPassword;
    settings.PasswordChangeInProgress = !settings.PreviousPasswords.empty();
    try {
        settings.WriteSettingsFile();
    } catch (const std::exception& error) {
        // No locker has been touched: the old password stays in force.
        settings.GeneralPassword = oldPassword;
        settings.PreviousPasswords = oldEarlier;
        settings.PasswordChangeInProgress = oldInProgress;
        outcome.MessageText = error.what();
        return outcome;
    }
    if (!settings.PasswordChangeInProgress) {
        outcome.Success = outcome.NewPasswordInForce = true;
        return outcome;
    }
    return RunChange(settings, callbacks, itemStarted);
}

TPasswordChangeOutcome FinishPasswordChange(SettingsStore& settings, const TProtectCallbacks& callbacks,
                                            const TItemStartedFunc& itemStarted) {
    if (!settings.PasswordChangeInProgress) {
        TPasswordChangeOutcome nothingToDo;
        nothingToDo.Success = nothingToDo.NewPasswordInForce = true;
        return nothingToDo;
    }
    return RunChange(settings, callbacks, itemStarted);
}

TProtectOutcome RestoreItemWithEarlierPasswords(const std::string& itemPath, const std::string& password,
                                                const std::vector<std::string>& earlier, bool strongHide,
                                                const TProtectCallbacks& callbacks) {
    const std::string locker = LockerPathOf(itemPath);
    if (!earlier.empty() && platform::FileExists(platform::PathFromUtf8(locker)) &&
        !LockerMayOpenWith(locker, password)) {
        for (const std::string& candidate : earlier) {
            if (!LockerMayOpenWith(locker, candidate))
                continue;
            const TRekeyOutcome rekeyed = RekeyLockerFile(locker, candidate, password, callbacks);
            if (!rekeyed.Success)
                return Failed(rekeyed.MessageText);
            break;
        }
    }
    return RestoreItem(itemPath, password, strongHide, callbacks);
}

} // namespace vk
