#pragma once

// The lookup every user-visible text passes through.

#include <string>

namespace vk {

// The text to show for an English text; the text itself when untranslated.
std::string TranslateText(const std::string& text);

} // namespace vk
