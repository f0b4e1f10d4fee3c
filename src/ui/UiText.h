#pragma once

// Text helpers of the GUI, and the conversions at its boundary with the core
// (std::string holding UTF-8, std::filesystem::path).

#include "platform/uPlatform.h"
#include "translation/translation.h"

#include <QString>
#include <QStringList>
#include <filesystem>

namespace vk {

// The text to show for an English text, looked up at the moment it is shown.
inline QString TranslatedText(const char* english) {
    return QString::fromStdString(TranslateText(english));
}

// Through the core's UTF-8, which names the same item on every system.
inline std::filesystem::path ToPath(const QString& text) {
    return platform::PathFromUtf8(text.toStdString());
}
inline QString ToQString(const std::filesystem::path& path) {
    return QString::fromStdString(platform::Utf8FromPath(path));
}
// UTF-8 text is no path: QString::fromStdString takes it as it is.
QString ToQString(const std::string& utf8) = delete;

// Fills the "%s" of a looked-up text with values, in order.
QString FillTexts(QString text, const QStringList& values);

// True when both texts are equal with the case of the letters A to Z ignored;
// every other character must match exactly.
bool SameTextIgnoringAsciiCase(const QString& first, const QString& second);

// A stored caption in the form Qt shows without an access key: a stored "&&"
// shows one "&", and a single "&" marks no key (so it is dropped).
QString MenuCaption(const QString& storedCaption);

// Captions in Qt's form ("&&" shows one "&"), each given an access key: a
// "&" before its first letter that no earlier caption of the list has taken
// (letter case ignored). A caption without a free letter stays without one.
QStringList WithAccessKeys(const QStringList& captions);

} // namespace vk
