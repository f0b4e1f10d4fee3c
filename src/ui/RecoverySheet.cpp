#include "ui/RecoverySheet.h"

#include "settings/uSettings.h"
#include "ui/UiText.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace vk {

QString RecoverySheetText(const std::vector<RecoveryEntry>& entries) {
    QStringList lines{
        QString::fromUtf8(ApplicationTitle) + QStringLiteral(" - ") + TranslatedText("Recovery Sheet"),
        QString(),
        TranslatedText("Whoever has this sheet can open the lockers listed on it. Keep it somewhere safe, away from "
                       "the computer, or print it and delete the file."),
        TranslatedText("Without the password and this sheet, nothing in these lockers can be recovered."),
        TranslatedText("Type a code exactly as shown, with its dashes, at Import Locker."),
    };
    for (const RecoveryEntry& entry : entries) {
        lines << QString() << TranslatedText("Path: ") + entry.ItemPath << TranslatedText("Locker: ") + entry.LockerPath
              << TranslatedText("Recovery code: ") + entry.Code
              << TranslatedText("Date: ") +
                     entry.Created.toOffsetFromUtc(entry.Created.offsetFromUtc()).toString(Qt::ISODate);
    }
    return lines.join(u'\n') + u'\n';
}

QString WriteRecoverySheet(const QString& path, const QString& text) {
    // A link under the chosen name is replaced by the new file, never written through.
    if (QFileInfo(path).isSymLink() && !QFile::remove(path))
        return TranslatedText("The file could not be replaced.");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

QString RecoverySheetOffer(std::size_t lockerCount) {
    return TranslatedText("Lockers created: ") + QString::number(lockerCount) + QStringLiteral("\n\n") +
           TranslatedText("Save their recovery codes to a recovery sheet now? If the password is forgotten, only the "
                          "sheet can open these lockers; without the password and the sheet nothing can be "
                          "recovered.") +
           QStringLiteral("\n\n") +
           TranslatedText("Whoever has the sheet can open these lockers: keep it somewhere safe.") + u' ' +
           TranslatedText("Codes on an earlier sheet do not open these lockers.");
}

} // namespace vk
