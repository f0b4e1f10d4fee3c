#include "ui/HelpPages.h"

#include "ui/UiText.h"
#include "update/HttpGet.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>

namespace vk {

namespace {

// A Help click waits this long at most for the site.
constexpr int SiteAnswerTimeoutMs = 2000;
constexpr int MaxRedirects = 5;
constexpr qint64 MaxPageBytes = 4 << 20;

} // namespace

HelpSources DesktopHelpSources() {
    return HelpSources{
        [](const QUrl& page) {
            QNetworkAccessManager http;
            return FetchDocument(http, page, QDeadlineTimer(SiteAnswerTimeoutMs), MaxRedirects, MaxPageBytes)
                .has_value();
        },
        [](const QUrl& target) { return QDesktopServices::openUrl(target); },
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("README.md")),
    };
}

QString OpenHelp(const QUrl& sitePage, const HelpSources& sources) {
    if (sources.SiteAnswers(sitePage) && sources.Open(sitePage))
        return {};
    if (QFileInfo(sources.ReadmePath).isFile() && sources.Open(QUrl::fromLocalFile(sources.ReadmePath)))
        return {};
    return TranslatedText("The help could not be opened. It is in this file beside the program:") + u'\n' +
           QDir::toNativeSeparators(sources.ReadmePath);
}

} // namespace vk
