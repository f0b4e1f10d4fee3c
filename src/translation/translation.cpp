#include "translation/translation.h"

#include "platform/uPlatform.h"
#include "translation/TranslationFile.h"

#include <algorithm>

namespace vk {

namespace {

struct TranslationState {
    std::string LanguageCode = "en";
    std::int32_t LanguageIndex = 0;
    TLanguageTable LanguageTable;
};

TranslationState& State() {
    static TranslationState state;
    return state;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

} // namespace

std::filesystem::path TranslationFilePath() {
    return platform::ExecutableFolder() / "transl.dt";
}

void LoadTranslation(const std::optional<std::string>& storedCode, const std::filesystem::path& translationFile) {
    TranslationState& state = State();
    state.LanguageCode = storedCode ? *storedCode : SystemLanguageCode();
    state.LanguageIndex = 0;
    state.LanguageTable.clear();
    // The file is optional: whatever goes wrong, the program runs in English.
    try {
        if (!platform::FileExists(translationFile))
            return;
        std::vector<std::string> codes;
        if (!translation_file::BuildTable(translation_file::ReadLines(translationFile), state.LanguageTable, codes))
            return;
        const auto match = std::find_if(codes.begin(), codes.end(), [&](const std::string& code) {
            return SameTextIgnoringCase(code, state.LanguageCode);
        });
        if (match != codes.end())
            state.LanguageIndex = static_cast<std::int32_t>(match - codes.begin());
    } catch (const std::exception&) {
        state.LanguageIndex = 0;
    }
}

std::string TranslateText(const std::string& text) {
    const TranslationState& state = State();
    const TLanguageTable& table = state.LanguageTable;
    if (state.LanguageIndex <= 0 || table.empty() || static_cast<std::size_t>(state.LanguageIndex) >= table.size())
        return text;
    const std::vector<std::string>& keys = table[0];
    const std::vector<std::string>& chosen = table[static_cast<std::size_t>(state.LanguageIndex)];
    // The first record whose English text matches exactly counts, even when
    // its translation is empty.
    const auto key = std::find(keys.begin(), keys.end(), text);
    if (key == keys.end())
        return text;
    const auto record = static_cast<std::size_t>(key - keys.begin());
    if (record >= chosen.size() || chosen[record].empty())
        return text;
    return chosen[record];
}

const TLanguageTable& LanguageTable() {
    return State().LanguageTable;
}
std::int32_t LanguageIndex() {
    return State().LanguageIndex;
}
void SetLanguageIndex(std::int32_t index) {
    State().LanguageIndex = index;
}
const std::string& LanguageCode() {
    return State().LanguageCode;
}
void SetLanguageCode(const std::string& code) {
    State().LanguageCode = code;
}

} // namespace vk
