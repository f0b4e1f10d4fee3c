#include "update/InstallerDownload.h"

#include "ui/UiText.h"
#include "update/HttpGet.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>

#include <memory>

namespace vk {

namespace {

bool HasSuccessStatus(const QNetworkReply& reply) {
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 200 && status <= 299;
}

} // namespace

QString InstallerDownload::Run(const QUrl& url, const QString& targetPath, const ProgressHandler& onProgress) {
    FFailure.clear();
    QFile file(targetPath);
    // NewOnly creates the file exclusively: a link or a file already under
    // the name makes the open fail instead of being written through.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return QStringLiteral("Cannot create file \"%1\". %2")
            .arg(QDir::toNativeSeparators(targetPath), file.errorString());

    QNetworkAccessManager http;
    QNetworkRequest request = MakeGetRequest(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    const std::unique_ptr<QNetworkReply> reply(http.get(request));
    FReply = reply.get();

    // Only the body of a successful response reaches the file. Progress is
    // reported at every arrival, so the bar follows the data and Abort is seen
    // at once.
    qint64 received = 0;
    const auto writeArrived = [&] {
        const QByteArray chunk = reply->readAll();
        if (chunk.isEmpty() || !FFailure.isEmpty() || !HasSuccessStatus(*reply))
            return;
        if (file.write(chunk) != chunk.size()) {
            Fail(file.errorString());
            return;
        }
        received += chunk.size();
        onProgress(received);
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), writeArrived);
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    writeArrived();
    // A connection closed early can end the reply without an error; a file
    // shorter than announced must never be started.
    const qint64 announced = ContentLength();
    FReply = nullptr;

    if (!file.flush() && FFailure.isEmpty())
        FFailure = file.errorString();
    file.close();
    if (FFailure.isEmpty())
        FFailure = ReplyFailure(*reply);
    if (FFailure.isEmpty() && announced >= 0 && received != announced)
        FFailure = TranslatedText("The connection was closed before the download was complete "
                                  "(bytes received/expected: %1/%2).")
                       .arg(received)
                       .arg(announced);
    return FFailure;
}

QString InstallerDownload::MakePrivateFolder(QString& error) {
    // mkdtemp: a fresh name, created with mode 0700.
    QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("veilkeep-update-XXXXXX")));
    if (!folder.isValid()) {
        error = folder.errorString();
        return {};
    }
    folder.setAutoRemove(false);
    return folder.path();
}

void InstallerDownload::Fail(const QString& reason) {
    if (!FReply || !FFailure.isEmpty())
        return;
    FFailure = reason;
    FReply->abort();
}

qint64 InstallerDownload::ContentLength() const {
    if (!FReply || FReply->rawHeader("Transfer-Encoding").toLower().contains("chunked"))
        return -1;
    const QVariant length = FReply->header(QNetworkRequest::ContentLengthHeader);
    return length.isValid() ? length.toLongLong() : -1;
}

} // namespace vk
