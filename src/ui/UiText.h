#pragma once

// Conversions at the boundary between the GUI (QString) and the core
// (std::string holding UTF-8, std::filesystem::path).

#include "translation/translation.h"

#include <QString>
#include <filesystem>

namespace vk {

// The text to show for an English text, looked up at the moment it is shown.
inline QString TranslatedText(const char* english) {
    return QString::fromStdString(TranslateText(english));
}

inline std::filesystem::path ToPath(const QString& text) {
    return std::filesystem::path(text.toStdString());
}
inline QString ToQString(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

} // namespace vk
