#pragma once

// Changing the password of lockers without laying their items open: each
// locker is re-encrypted locker to locker into a private new file beside it,
// which replaces it in one rename once it is verified and on the disk. At
// every instant the locker's name holds a complete locker that opens with the
// old or the new password; no byte of an item and none of its names is ever
// written in clear.
//
// The change of the program's password is one transaction over the listed
// paths: the settings file is saved under the new password with a record of
// the change (the old passwords, encrypted under the new one) before the first
// locker is rewritten; a Stop, a kill or a power cut leaves every locker
// opening with a password of the record or the new one, and
// FinishPasswordChange completes it later and drops the record.

#include "protect/uProtect.h"

#include <functional>
#include <string>
#include <vector>

namespace vk {

class SettingsStore;

struct TRekeyOutcome : TProtectOutcome {
    bool SecretRefused = false; // neither of the locker's slots opens with the secret
};

// Re-encrypts the locker at lockerPath (password or recovery code in
// oldSecret) under newPassword; the new locker keeps the old one's hidden
// and system bits. RecoveryCode holds the new code on success. Any failure,
// a Stop included, leaves the old locker as it was and no new file behind.
// Never raises.
TRekeyOutcome RekeyLockerFile(const std::string& lockerPath, const std::string& oldSecret,
                              const std::string& newPassword, const TProtectCallbacks& callbacks = {});

struct TRekeyedLocker {
    std::string ItemPath;
    std::string LockerPath;
    std::string RecoveryCode;
};

struct TPasswordChangeOutcome {
    // Every listed locker opens with the new password and the record is gone.
    bool Success = false;
    bool Stopped = false;
    // The new password is in force: saved in the settings file.
    bool NewPasswordInForce = false;
    std::vector<TRekeyedLocker> Rekeyed; // lockers written anew by this run, with their codes
    std::string MessageText;             // the lockers that failed, one line each; empty on success
};

// Before each locker: its item path, its 1-based number and how many there are.
using TItemStartedFunc = std::function<void(const std::string& itemPath, int number, int total)>;

// Changes settings.GeneralPassword to newPassword and re-encrypts the locker
// of every listed path that has one. A change left in progress by an earlier
// run is taken in. Visible items are not touched. Raises nothing.
TPasswordChangeOutcome ChangeProgramPassword(SettingsStore& settings, const std::string& newPassword,
                                             const TProtectCallbacks& callbacks = {},
                                             const TItemStartedFunc& itemStarted = {});

// Completes a change that an earlier run left in progress (nothing to do
// when there is none).
TPasswordChangeOutcome FinishPasswordChange(SettingsStore& settings, const TProtectCallbacks& callbacks = {},
                                            const TItemStartedFunc& itemStarted = {});

// Restores as RestoreItem does with password; a locker that opens only with
// one of the earlier passwords (newest first) is first re-encrypted under
// password, so a locker a change could not reach opens again.
TProtectOutcome RestoreItemWithEarlierPasswords(const std::string& itemPath, const std::string& password,
                                                const std::vector<std::string>& earlier, bool strongHide,
                                                const TProtectCallbacks& callbacks = {});

} // namespace vk
