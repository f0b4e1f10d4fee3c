#pragma once

// Streams the installer from the web site into a file on disk, chunk by chunk
// as it arrives, while the calling thread waits in a local event loop that
// keeps the windows live.

#include <QString>
#include <QUrl>

#include <functional>

class QNetworkReply;

namespace vk {

class InstallerDownload {
public:
    // Called whenever data has arrived, with the bytes received so far.
    using ProgressHandler = std::function<void(qint64 received)>;

    // GETs url into targetPath, which must not exist yet (nothing is written
    // through a link or into a file planted there). Redirects
    // are not followed and there is no read time-out. Returns an empty text on
    // success, otherwise the failure's text. The file is closed in every case.
    QString Run(const QUrl& url, const QString& targetPath, const ProgressHandler& onProgress);

    // Ends the running transfer; Run then returns reason. Later calls, and calls
    // when no transfer runs, change nothing.
    void Fail(const QString& reason);

    // The response's content length; -1 when it has none, when it is sent in
    // chunked transfer encoding, or before the response has arrived.
    qint64 ContentLength() const;

    // A new folder for one download inside the user's temporary folder:
    // unique name, readable by its owner alone, kept after the program ends
    // so that the desktop's installer can still read the file. Empty when it
    // cannot be made; error then tells why.
    static QString MakePrivateFolder(QString& error);

private:
    QNetworkReply* FReply = nullptr;
    QString FFailure;
};

} // namespace vk
