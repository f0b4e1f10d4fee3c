#include "cli/SecretInput.h"

#include "platform/Error.h"
#include "security/uSecurityUtils.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

namespace vk::cli {

namespace {

std::string PromptFor(SecretKind kind) {
    return kind == SecretKind::PasswordOrRecoveryCode ? "Password or recovery code: " : "Password: ";
}

} // namespace

std::vector<std::string> ReadFirstLines(const std::string& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("Cannot read the password file \"" + path + "\": " + std::strerror(errno));
    std::vector<std::string> lines;
    for (std::string line; lines.size() < count && std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        SecureWipe(line);
    }
    if (in.bad())
        throw Error("Cannot read the password file \"" + path + "\".");
    lines.resize(count);
    return lines;
}

std::string ReadFirstLine(const std::string& path) {
    return std::move(ReadFirstLines(path, 1).front());
}

RekeySecrets ReadRekeySecrets(const SecretSources& current, const std::optional<std::string>& newEnvironment) {
    RekeySecrets secrets;
    if (current.PasswordFile) {
        try {
            std::vector<std::string> lines = ReadFirstLines(*current.PasswordFile, 2);
            if (lines[1].empty())
                throw Error("The password file \"" + *current.PasswordFile +
                            "\" needs two lines here: the current secret, then the new password.");
            secrets.Current.Secret = std::move(lines[0]);
            secrets.New.Secret = std::move(lines[1]);
            secrets.Current.Ok = secrets.New.Ok = true;
        } catch (const Error& e) {
            secrets.Current.Error = e.what();
        }
        return secrets;
    }
    secrets.Current = ReadSecret(current, SecretKind::PasswordOrRecoveryCode);
    if (!secrets.Current.Ok)
        return secrets;
    SecretSources next{std::nullopt, newEnvironment, current.AskTerminal};
    // The terminal's two prompts name the new password.
    if (next.AskTerminal)
        next.AskTerminal = [ask = current.AskTerminal](const std::string& prompt) {
            return ask(prompt == "Password: " ? "New password: " : "Repeat new password: ");
        };
    secrets.New = ReadSecret(next, SecretKind::NewPassword);
    if (!secrets.New.Ok && secrets.New.UsageError)
        secrets.New.Error =
            std::string("no new password given: use --password-file FILE or set ") + NewPasswordVariable;
    return secrets;
}

SecretOutcome ReadSecret(const SecretSources& sources, SecretKind kind) {
    SecretOutcome outcome;
    try {
        if (sources.PasswordFile) {
            outcome.Secret = ReadFirstLine(*sources.PasswordFile);
            outcome.Ok = true;
            return outcome;
        }
        if (sources.Environment && !sources.Environment->empty()) {
            outcome.Secret = *sources.Environment;
            outcome.Ok = true;
            return outcome;
        }
        std::optional<std::string> first =
            sources.AskTerminal ? sources.AskTerminal(PromptFor(kind)) : std::optional<std::string>();
        if (!first) {
            outcome.UsageError = true;
            outcome.Error = std::string("no secret given: use --password-file FILE or set ") + PasswordVariable;
            return outcome;
        }
        if (kind == SecretKind::NewPassword) {
            std::optional<std::string> again = sources.AskTerminal("Repeat password: ");
            bool same = again && *again == *first;
            if (again)
                SecureWipe(*again);
            if (!same) {
                SecureWipe(*first);
                outcome.Error = "The passwords do not match.";
                return outcome;
            }
        }
        outcome.Secret = std::move(*first);
        outcome.Ok = true;
    } catch (const Error& e) {
        outcome.Error = e.what();
    }
    return outcome;
}

} // namespace vk::cli
