#pragma once

// The application password's two rules, shared by the password dialogs.

#include <string>

namespace vk {

// A new password: leading and trailing characters of code 32 or below removed.
std::string TrimPassword(const std::string& text);
// The start-up check: equal when they differ at most in the case of ASCII
// letters A-Z; nothing is trimmed and other letters must match exactly.
bool PasswordMatches(const std::string& entered, const std::string& expected);

} // namespace vk
