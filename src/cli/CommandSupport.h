#pragma once

// What every vklocker command shares: reporting a failure and reading the
// secret from its sources, and wiping the secret when the command ends.

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "locker/uLocker.h"
#include "security/uSecurityUtils.h"

#include <optional>
#include <string>
#include <utility>

namespace vk::cli {

// Wipes the secret when the command ends, however it ends.
class SecretHolder {
public:
    explicit SecretHolder(std::string secret) : FSecret(std::move(secret)) {}
    ~SecretHolder() { SecureWipe(FSecret); }
    SecretHolder(const SecretHolder&) = delete;
    SecretHolder& operator=(const SecretHolder&) = delete;
    const std::string& Get() const { return FSecret; }

private:
    std::string FSecret;
};

class Command {
public:
    Command(const Arguments& args, const Console& console) : FArgs(args), FConsole(console) {}

    int Fail(const std::string& message) const {
        FConsole.Err << "vklocker: " << message << '\n';
        return ExitFailure;
    }

    // The secret from the first source that has one, or the exit status.
    // Ctrl-C then does what suits the operation that follows.
    std::optional<std::string> ReadSecret(SecretKind kind, InterruptMode afterwards, int& exitCode) const {
        SecretSources sources{FArgs.PasswordFile, FConsole.EnvironmentPassword, FConsole.AskTerminal};
        SecretOutcome outcome = vk::cli::ReadSecret(sources, kind);
        if (outcome.Ok) {
            if (FConsole.SetInterruptMode)
                FConsole.SetInterruptMode(afterwards);
            return std::move(outcome.Secret);
        }
        FConsole.Err << "vklocker: " << outcome.Error << '\n';
        exitCode = outcome.UsageError ? ExitUsage : ExitFailure;
        return std::nullopt;
    }

    // rekey: the current secret and the new password, or the exit status.
    std::optional<std::pair<std::string, std::string>> ReadRekeySecrets(InterruptMode afterwards, int& exitCode) const {
        SecretSources sources{FArgs.PasswordFile, FConsole.EnvironmentPassword, FConsole.AskTerminal};
        RekeySecrets secrets = vk::cli::ReadRekeySecrets(sources, FConsole.EnvironmentNewPassword);
        for (const SecretOutcome* outcome : {&secrets.Current, &secrets.New}) {
            if (!outcome->Ok) {
                FConsole.Err << "vklocker: " << (outcome->Error.empty() ? secrets.Current.Error : outcome->Error)
                             << '\n';
                exitCode = outcome->UsageError ? ExitUsage : ExitFailure;
                SecureWipe(secrets.Current.Secret);
                return std::nullopt;
            }
        }
        if (FConsole.SetInterruptMode)
            FConsole.SetInterruptMode(afterwards);
        return std::pair{std::move(secrets.Current.Secret), std::move(secrets.New.Secret)};
    }

    TLockerCancelFunc Cancel() const { return FConsole.CancelRequested; }

private:
    const Arguments& FArgs;
    const Console& FConsole;
};

// extract, hide and restore, on the core's transactions.
int RunExtract(const Arguments& args, const Console& console);
int RunHide(const Arguments& args, const Console& console);
int RunRestore(const Arguments& args, const Console& console);
// rekey, on the core's re-encryption of one locker.
int RunRekey(const Arguments& args, const Console& console);

} // namespace vk::cli
