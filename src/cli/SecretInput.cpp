#include "cli/SecretInput.h"

#include "platform/Error.h"
#include "security/uSecurityUtils.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace vk::cli {

namespace {

std::string PromptFor(SecretKind kind) {
    return kind == SecretKind::PasswordOrRecoveryCode ? "Password or recovery code: " : "Password: ";
}

} // namespace

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("Cannot read the password file \"" + path + "\": " + std::strerror(errno));
    std::string line;
    std::getline(in, line);
    if (in.bad())
        throw Error("Cannot read the password file \"" + path + "\".");
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
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
