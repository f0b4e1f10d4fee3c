#include "translation/translation.h"

namespace vk {

// Until a translation file is loaded every text is shown as it is.
std::string TranslateText(const std::string& text) { return text; }

} // namespace vk
