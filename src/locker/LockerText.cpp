#include "locker/LockerText.h"

#include "translation/translation.h"

namespace vk {

namespace {

// Fills the first "%s" from position from on; returns where the filling ends.
std::size_t Fill(std::string& text, std::size_t from, const std::string& argument) {
    const std::size_t at = text.find("%s", from);
    if (at == std::string::npos)
        return text.size();
    text.replace(at, 2, argument);
    return at + argument.size();
}

} // namespace

std::string TranslateFormat(const char* englishFormat, const std::string& argument) {
    std::string text = TranslateText(englishFormat);
    Fill(text, 0, argument);
    return text;
}

std::string TranslateFormat(const char* englishFormat, const std::string& first, const std::string& second) {
    std::string text = TranslateText(englishFormat);
    Fill(text, Fill(text, 0, first), second);
    return text;
}

} // namespace vk
