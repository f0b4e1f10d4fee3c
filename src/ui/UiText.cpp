#include "ui/UiText.h"

namespace vk {

namespace {

QChar AsciiLower(QChar c) {
    const char16_t code = c.unicode();
    if (code >= u'A' && code <= u'Z')
        return QChar(static_cast<char16_t>(code - u'A' + u'a'));
    return c;
}

} // namespace

bool SameTextIgnoringAsciiCase(const QString& first, const QString& second) {
    if (first.size() != second.size())
        return false;
    for (qsizetype i = 0; i < first.size(); ++i)
        if (AsciiLower(first[i]) != AsciiLower(second[i]))
            return false;
    return true;
}

QString MenuCaption(const QString& storedCaption) {
    QString shown;
    for (qsizetype i = 0; i < storedCaption.size(); ++i) {
        if (storedCaption[i] != u'&') {
            shown += storedCaption[i];
        } else if (i + 1 < storedCaption.size() && storedCaption[i + 1] == u'&') {
            shown += QStringLiteral("&&"); // Qt shows "&&" as one "&"
            ++i;
        }
        // A single "&" would mark an access key; captions carry none.
    }
    return shown;
}

QStringList WithAccessKeys(const QStringList& captions) {
    QString taken;
    QStringList marked;
    for (const QString& caption : captions) {
        QString result = caption;
        for (qsizetype i = 0; i < caption.size(); ++i) {
            if (caption[i] == u'&') {
                ++i; // "&&" is a shown "&", never a key
                continue;
            }
            const QChar key = caption[i].toLower();
            if (caption[i].isLetter() && !taken.contains(key)) {
                taken += key;
                result.insert(i, u'&');
                break;
            }
        }
        marked << result;
    }
    return marked;
}

QString FillTexts(QString text, const QStringList& values) {
    for (const QString& value : values) {
        const qsizetype at = text.indexOf(QStringLiteral("%s"));
        if (at < 0)
            break;
        text.replace(at, 2, value);
    }
    return text;
}

} // namespace vk
