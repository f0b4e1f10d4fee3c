#include "platform/uPlatform.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

namespace vk::platform {

namespace {

struct LanguageNumber {
    std::string_view Iso639; // the locale's language part
    std::uint16_t Primary;   // Windows primary language number
};

// ISO 639-1 codes of locale names and their Windows primary language numbers.
constexpr std::array<LanguageNumber, 38> LanguageNumbers{{
    {"ar", 1},  {"bg", 2},  {"ca", 3},  {"zh", 4},  {"cs", 5},  {"da", 6},  {"de", 7},  {"el", 8},
    {"en", 9},  {"es", 10}, {"fi", 11}, {"fr", 12}, {"he", 13}, {"hu", 14}, {"is", 15}, {"it", 16},
    {"ja", 17}, {"ko", 18}, {"nl", 19}, {"nb", 20}, {"nn", 20}, {"no", 20}, {"pl", 21}, {"pt", 22},
    {"ro", 24}, {"ru", 25}, {"hr", 26}, {"sr", 26}, {"bs", 26}, {"sk", 27}, {"sq", 28}, {"sv", 29},
    {"th", 30}, {"tr", 31}, {"id", 33}, {"uk", 34}, {"sl", 36}, {"et", 37},
}};

constexpr std::uint16_t SublangDefault = 1 << 10;
constexpr std::uint16_t English = 9;

// The locale name that decides the messages' language, as the C library
// chooses it: LC_ALL, then LC_MESSAGES, then LANG.
std::string MessagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "";
}

} // namespace

std::uint16_t SystemUiLanguage() {
    const std::string locale = MessagesLocale();
    // "de_DE.UTF-8@euro" -> "de"
    std::string language = locale.substr(0, locale.find_first_of("_.@"));
    std::transform(language.begin(), language.end(), language.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    if (language.empty() || language == "c" || language == "posix")
        return SublangDefault | English;
    for (const LanguageNumber& entry : LanguageNumbers) {
        if (entry.Iso639 == language)
            return SublangDefault | entry.Primary;
    }
    return 0; // neutral: a language without a Windows number of its own here
}

} // namespace vk::platform
