#include "locker/LockerText.h"

#include "translation/translation.h"

namespace vk {

std::string TranslateFormat(const char* englishFormat, const std::string& argument) {
    std::string text = TranslateText(englishFormat);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

} // namespace vk
