#pragma once

// Qt's own texts (standard buttons, the text prompt, the file pickers) in the
// chosen language, from the translations Qt ships, beside the program's own
// translation file.

#include <QString>

namespace vk {

// Replaces the Qt translation in use by the one for languageCode ("de", "fr",
// ...). English, or a language Qt has no translation for, leaves Qt's texts
// English. True when a translation was loaded.
bool UseQtTranslation(const QString& languageCode);

} // namespace vk
