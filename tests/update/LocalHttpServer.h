#pragma once

// A small HTTP/1.1 server inside the test process, listening on 127.0.0.1
// only. Each path is served by a scripted response; the server records every
// request's path and User-Agent. It runs on the caller's event loop, so the
// code under test serves it while it waits in its own local loop.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

namespace vk::test {

struct HttpResponse {
    enum class Framing { ContentLength, Chunked, UntilClose };

    int Status = 200;
    QByteArray Reason = "OK";
    QByteArray Body;
    QByteArray Location; // sent with a redirect status
    Framing BodyFraming = Framing::ContentLength;
    qint64 DeclaredLength = -1; // the Content-Length sent when not the body's size
    int Pieces = 1;             // the body is sent in this many pieces
    int PieceDelayMs = 0;       // pause before every piece after the first
    bool StallAfterFirstPiece = false;
    bool Silent = false; // accept the request and send nothing at all
};

class LocalHttpServer : public QObject {
public:
    LocalHttpServer();

    // "http://127.0.0.1:<port>", without a trailing slash.
    QString BaseUrl() const;
    void Serve(const QByteArray& path, const HttpResponse& response);
    // path answers with a redirect that leads through redirects hops in all to
    // a last path served by final.
    void ServeAfterRedirects(const QByteArray& path, int redirects, const HttpResponse& final);

    QList<QByteArray> RequestedPaths;
    QList<QByteArray> UserAgents;

private:
    void Accept();
    void Answer(QTcpSocket* socket, const QByteArray& request);
    void SendPiece(QTcpSocket* socket, const HttpResponse& response, int piece);

    QTcpServer FServer;
    QMap<QByteArray, HttpResponse> FRoutes;
};

// A base URL on which nothing listens.
QString UnreachableBaseUrl();

} // namespace vk::test
