#pragma once

// The user's language choice, kept through QSettings with the application
// title as organisation name (on Windows: HKEY_CURRENT_USER\Software\<title>),
// value "CurrentLanguage". Start-up reads it; the language menu writes it.

#include <QString>
#include <optional>

namespace vk {

// The stored language code; nothing when no choice was ever stored.
std::optional<QString> ReadLanguageChoice();
void WriteLanguageChoice(const QString& languageCode);

} // namespace vk
