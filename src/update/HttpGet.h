#pragma once

// The HTTP pieces shared by the version check and the installer download:
// the request every GET sends and how a finished reply is judged.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace vk {

inline constexpr const char* HttpUserAgent = "Mozilla/4.0 (compatible; MyApp)";

// A GET request for url carrying the program's User-Agent.
QNetworkRequest MakeGetRequest(const QUrl& url);

// Empty when the finished reply succeeded with a 2xx status; otherwise the
// failure's text (the status line of an error response, or the network error).
QString ReplyFailure(QNetworkReply& reply);

// GETs a small document into memory while the calling thread waits in a local
// event loop. Redirects are followed up to maxRedirects; the request is
// abandoned when it has not finished by the deadline, however far it got
// (connecting, waiting for the answer or receiving it). Nothing on any
// failure, including a document larger than maxBytes.
std::optional<QByteArray> FetchDocument(QNetworkAccessManager& http, const QUrl& url, const QDeadlineTimer& deadline,
                                        int maxRedirects, qint64 maxBytes);

} // namespace vk
