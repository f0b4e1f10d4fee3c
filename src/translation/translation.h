#pragma once

// The lookup every user-visible text passes through, and the language state
// behind it: the whole translation file as one column per language, the
// chosen column and the chosen language's code. The state lives for the
// whole process; it is read and changed on the user-interface thread only.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vk {

// One column per language; entry r of a column is record r of the file:
// record 0 the language's display name, record 1 its code, then the texts.
// Column 0 holds the English texts, the keys of the lookup.
using TLanguageTable = std::vector<std::vector<std::string>>;

// "transl.dt" in the executable's folder.
std::filesystem::path TranslationFilePath();

// Chooses the language and loads the table from translationFile. The code is
// storedCode when a choice was stored (the caller reads it from the user's
// settings), else the system's. A missing or malformed file loads as "no
// translation": nothing is raised and every text stays English.
void LoadTranslation(const std::optional<std::string>& storedCode,
                     const std::filesystem::path& translationFile = TranslationFilePath());

// The text to show for an English text; the text itself when untranslated.
// Never fails.
std::string TranslateText(const std::string& text);

// The two-letter code of the system's user-interface language ("en" for a
// language without a code of its own here).
std::string SystemLanguageCode();

// The language state, for the Language menu.
const TLanguageTable& LanguageTable();
std::int32_t LanguageIndex(); // 0 (or less) switches translation off
void SetLanguageIndex(std::int32_t index);
const std::string& LanguageCode();
void SetLanguageCode(const std::string& code);

} // namespace vk
