#include "ui/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace vk {

namespace {

// The one translator of Qt's texts, owned by the application object.
QTranslator* QtTextsTranslator() {
    static QTranslator* translator = new QTranslator(QCoreApplication::instance());
    return translator;
}

} // namespace

bool UseQtTranslation(const QString& languageCode) {
    QTranslator* translator = QtTextsTranslator();
    QCoreApplication::removeTranslator(translator);
    if (languageCode.isEmpty() || languageCode == QLatin1String("en"))
        return false;
    // qtbase holds the texts of the widgets the program uses.
    if (!translator->load(QStringLiteral("qtbase_") + languageCode, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(translator);
}

} // namespace vk
