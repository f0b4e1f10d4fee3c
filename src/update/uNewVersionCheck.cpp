#include "update/uNewVersionCheck.h"

#include "update/HttpGet.h"

#include <QDeadlineTimer>
#include <QNetworkAccessManager>

namespace vk {

namespace {

constexpr int MaxRedirects = 10;
// Both documents are a few lines; anything far larger is not one of them.
constexpr qint64 MaxDocumentBytes = 1 << 20;

} // namespace

std::optional<UpdateOffer> CheckForNewVersion(const UpdateSite& site) {
    try {
        QNetworkAccessManager http;
        // One deadline for both documents: a site that answers slowly cannot
        // stretch the wait by answering each request just in time.
        const QDeadlineTimer deadline(site.TimeoutMs);
        const auto fetch = [&](const char* path) {
            return FetchDocument(http, QUrl(site.BaseUrl + QString::fromLatin1(path)), deadline, MaxRedirects,
                                 MaxDocumentBytes);
        };
        const std::optional<QByteArray> version = fetch(VersionDocumentPath);
        if (!version)
            return std::nullopt;
        const std::optional<QByteArray> changes = fetch(ChangesDocumentPath);
        if (!changes)
            return std::nullopt;
        return DecideUpdate(version->toStdString(), changes->toStdString());
    } catch (...) {
        // The check is a background service: any failure means no offer.
        return std::nullopt;
    }
}

} // namespace vk
