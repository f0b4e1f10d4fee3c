// vklocker rekey: the core's re-encryption of one locker, as a password
// change does it for each listed locker.

#include "cli/CommandSupport.h"
#include "cli/ProgressLine.h"
#include "platform/uPlatform.h"
#include "protect/uPasswordChange.h"
#include "translation/translation.h"

namespace vk::cli {

int RunRekey(const Arguments& args, const Console& console) {
    Command command(args, console);
    const std::string locker = platform::Utf8FromPath(platform::FullPath(platform::PathFromUtf8(args.First)));
    if (!platform::FileExists(platform::PathFromUtf8(locker)))
        return command.Fail(TranslateText("Locker file does not exist."));

    int exitCode = ExitFailure;
    auto secrets = command.ReadRekeySecrets(InterruptMode::CancelThenStop, exitCode);
    if (!secrets)
        return exitCode;
    SecretHolder current(std::move(secrets->first));
    SecretHolder newPassword(std::move(secrets->second));

    ProgressLine progress(console.ProgressOut, console.ShowProgress);
    TProtectCallbacks callbacks;
    callbacks.Progress = [&progress](const std::string&, std::int64_t done, std::int64_t total) {
        progress.Update(done, total);
    };
    callbacks.Cancel = command.Cancel();
    TRekeyOutcome outcome = RekeyLockerFile(locker, current.Get(), newPassword.Get(), callbacks);
    progress.Clear();
    SecretHolder recoveryCode(std::move(outcome.RecoveryCode));
    if (!outcome.Success) {
        // A repeat after an interrupted run may find the locker written
        // anew already: the new password opens it.
        std::string reason;
        if (outcome.SecretRefused && LockerMayOpenWith(locker, newPassword.Get()) &&
            VerifyLocker(locker, newPassword.Get(), reason)) {
            console.Out << "The locker already opens with the new password: " << locker << '\n'
                        << "Its recovery code was shown by the run that wrote it; run rekey again from the new "
                           "password for a new one if that code was lost.\n";
            return ExitSuccess;
        }
        return command.Fail(outcome.MessageText);
    }
    console.Out << TranslateText("Locker re-encrypted successfully.") << '\n'
                << "Locker: " << locker << '\n'
                << "Recovery code: " << recoveryCode.Get() << '\n'
                << "Keep this recovery code somewhere safe: it opens the locker if the password is lost, "
                   "and it is shown only this once. Codes of the old locker no longer open it.\n";
    console.Out.flush();
    if (!console.Out)
        return command.Fail("The recovery code could not be written to standard output. \"" + locker +
                            "\" opens with the new password.");
    return ExitSuccess;
}

} // namespace vk::cli
