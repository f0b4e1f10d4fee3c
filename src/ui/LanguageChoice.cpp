#include "ui/LanguageChoice.h"

#include "settings/uSettings.h"

#include <QSettings>

namespace vk {

namespace {

constexpr const char* LanguageValueName = "CurrentLanguage";

} // namespace

std::optional<QString> ReadLanguageChoice() {
    QSettings store(QString::fromUtf8(ApplicationTitle), QString());
    const QVariant value = store.value(QString::fromUtf8(LanguageValueName));
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

void WriteLanguageChoice(const QString& languageCode) {
    QSettings store(QString::fromUtf8(ApplicationTitle), QString());
    store.setValue(QString::fromUtf8(LanguageValueName), languageCode);
    store.sync();
}

} // namespace vk
