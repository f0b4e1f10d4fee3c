#pragma once

#include <string>

namespace vk {

// The translated text of an English format with its one "%s" filled in.
std::string TranslateFormat(const char* englishFormat, const std::string& argument);
// The same with two "%s", filled in order.
std::string TranslateFormat(const char* englishFormat, const std::string& first, const std::string& second);

} // namespace vk
