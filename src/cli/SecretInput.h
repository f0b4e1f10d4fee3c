#pragma once

// Where vklocker takes a password or recovery code from: a password file, the
// environment variable VKLOCKER_PASSWORD, or the terminal without echo.

#include <functional>
#include <optional>
#include <string>

namespace vk::cli {

inline constexpr const char* PasswordVariable = "VKLOCKER_PASSWORD";
inline constexpr const char* NewPasswordVariable = "VKLOCKER_NEW_PASSWORD";

// Asks for one line with the given prompt; nullopt when there is no terminal.
using TerminalAsker = std::function<std::optional<std::string>(const std::string& prompt)>;

enum class SecretKind {
    NewPassword,           // create: asked twice on the terminal, must match
    Password,              // verify
    PasswordOrRecoveryCode // extract, list
};

struct SecretSources {
    std::optional<std::string> PasswordFile;
    std::optional<std::string> Environment; // the variable's value when it is set
    TerminalAsker AskTerminal;
};

struct SecretOutcome {
    bool Ok = false;
    std::string Secret;
    std::string Error;
    bool UsageError = false; // no source at all: nothing to read the secret from
};

// Takes the secret from the first source that has one.
SecretOutcome ReadSecret(const SecretSources& sources, SecretKind kind);

// rekey: the current password or recovery code and the new password. Both
// come from the password file's first two lines when one is given; else each
// from its variable when that is set and not empty, else from the terminal
// (the new password twice).
struct RekeySecrets {
    SecretOutcome Current;
    SecretOutcome New;
};
RekeySecrets ReadRekeySecrets(const SecretSources& current, const std::optional<std::string>& newEnvironment);

// The first line of a file, without its line ending. Raises vk::Error when the
// file cannot be read.
std::string ReadFirstLine(const std::string& path);

// Reads one line from the controlling terminal with echo off (termios). Returns
// nullopt when the process has no terminal; raises vk::Error("Operation
// cancelled by user.") when Ctrl-C interrupts the reading.
std::optional<std::string> AskOnTerminal(const std::string& prompt);

} // namespace vk::cli
