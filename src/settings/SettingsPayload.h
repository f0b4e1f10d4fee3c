#pragma once

// The plaintext the two older layouts carry: the password, the strong-hide
// byte, the path count and the paths. The values every layout can hold.

#include "security/uSecurityUtils.h"
#include "settings/SettingsCodec.h"

#include <string>
#include <vector>

namespace vk {

struct SettingsValues {
    std::string Password;
    bool StrongHide = true;
    std::vector<std::string> Paths;
    // Only in the layout keyed by the password.
    std::vector<std::string> PreviousPasswords;
    bool PasswordChangeInProgress = false;

    SettingsValues() = default;
    SettingsValues(SettingsValues&&) = default;
    SettingsValues& operator=(SettingsValues&&) = default;
    ~SettingsValues() {
        SecureWipe(Password);
        for (std::string& previous : PreviousPasswords)
            SecureWipe(previous);
    }
};

// The current layout drops empty path entries when reading; the legacy one keeps them.
enum class EmptyPaths { Drop, Keep };

// Raises when a field is invalid or the data ends early. Bytes after the last
// path are ignored; a path count of zero or less means no paths.
SettingsValues ReadSettingsPayload(SettingsReader& in, EmptyPaths emptyPaths);
// The strong-hide byte is written as 1 or 0.
Bytes WriteSettingsPayload(const std::string& password, bool strongHide, const std::vector<std::string>& paths);

} // namespace vk
