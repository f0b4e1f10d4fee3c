#include "update/HttpGet.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <memory>

namespace vk {

QNetworkRequest MakeGetRequest(const QUrl& url) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(HttpUserAgent));
    return request;
}

QString ReplyFailure(QNetworkReply& reply) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return QStringLiteral("HTTP/1.1 %1 %2")
            .arg(status.toInt())
            .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    if (reply.error() != QNetworkReply::NoError)
        return reply.errorString();
    if (!status.isValid())
        return QStringLiteral("No HTTP response was received.");
    return {};
}

std::optional<QByteArray> FetchDocument(QNetworkAccessManager& http, const QUrl& url, const QDeadlineTimer& deadline,
                                        int maxRedirects, qint64 maxBytes) {
    if (deadline.hasExpired())
        return std::nullopt;
    QNetworkRequest request = MakeGetRequest(url);
    // Redirects may change host but never fall from HTTPS to HTTP.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);

    const std::unique_ptr<QNetworkReply> reply(http.get(request));
    bool timedOut = false;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, reply.get(), [&] {
        timedOut = true;
        reply->abort();
    });
    timeout.start(static_cast<int>(deadline.remainingTime()));
    bool tooLarge = false;
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(), [&](qint64 received, qint64) {
        if (received > maxBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    });
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    if (tooLarge || timedOut || !ReplyFailure(*reply).isEmpty())
        return std::nullopt;
    return reply->readAll();
}

} // namespace vk
