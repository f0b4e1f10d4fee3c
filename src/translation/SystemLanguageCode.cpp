#include "translation/translation.h"

#include "platform/uPlatform.h"

#include <array>
#include <utility>

namespace vk {

std::string SystemLanguageCode() {
    // Windows primary language numbers and the codes a translation file uses
    // for them; "cn", "jp" and "kr" are this file format's own codes.
    static constexpr std::array<std::pair<std::uint8_t, const char*>, 15> Codes{{
        {1, "ar"},
        {4, "cn"},
        {5, "cs"},
        {7, "de"},
        {8, "el"},
        {10, "es"},
        {12, "fr"},
        {14, "hu"},
        {16, "it"},
        {17, "jp"},
        {18, "kr"},
        {19, "nl"},
        {21, "pl"},
        {22, "pt"},
        {31, "tr"},
    }};
    const auto primary = static_cast<std::uint8_t>(platform::SystemUiLanguage() & 0xFF);
    for (const auto& [number, code] : Codes) {
        if (number == primary)
            return code;
    }
    return "en";
}

} // namespace vk
