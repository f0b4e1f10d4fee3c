#pragma once

// The application password's two rules, shared by the password dialogs.

#include <string>

namespace vk {

// A new password: leading and trailing characters of code 32 or below removed.
std::string TrimPassword(const std::string& text);
// Whether an entry is the password in force: byte for byte, nothing trimmed
// and no letter case ignored.
bool PasswordMatches(const std::string& entered, const std::string& expected);

} // namespace vk
