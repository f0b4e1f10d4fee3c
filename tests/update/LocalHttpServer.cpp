#include "LocalHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace vk::test {

LocalHttpServer::LocalHttpServer() {
    FServer.listen(QHostAddress::LocalHost);
    connect(&FServer, &QTcpServer::newConnection, this, &LocalHttpServer::Accept);
}

QString LocalHttpServer::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(FServer.serverPort());
}

void LocalHttpServer::Serve(const QByteArray& path, const HttpResponse& response) {
    FRoutes[path] = response;
}

void LocalHttpServer::ServeAfterRedirects(const QByteArray& path, int redirects, const HttpResponse& final) {
    QByteArray from = path;
    for (int hop = redirects; hop > 0; --hop) {
        const QByteArray to = "/hop/" + QByteArray::number(hop - 1);
        HttpResponse redirect;
        redirect.Status = 302;
        redirect.Reason = "Found";
        redirect.Location = to;
        Serve(from, redirect);
        from = to;
    }
    Serve(from, final);
}

void LocalHttpServer::Accept() {
    while (QTcpSocket* socket = FServer.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            // One request per connection; the answer closes it.
            const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
            socket->setProperty("request", request);
            if (request.contains("\r\n\r\n") && !socket->property("answered").toBool()) {
                socket->setProperty("answered", true);
                Answer(socket, request);
            }
        });
    }
}

void LocalHttpServer::Answer(QTcpSocket* socket, const QByteArray& request) {
    const QList<QByteArray> lines = request.split('\n');
    const QByteArray path = lines.value(0).split(' ').value(1);
    RequestedPaths << path;
    for (const QByteArray& line : lines)
        if (line.toLower().startsWith("user-agent:"))
            UserAgents << line.mid(11).trimmed();

    HttpResponse response;
    if (FRoutes.contains(path)) {
        response = FRoutes.value(path);
    } else {
        response.Status = 404;
        response.Reason = "Not Found";
        response.Body = "missing";
    }
    if (response.Silent)
        return;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.Status) + ' ' + response.Reason + "\r\n";
    head += "Connection: close\r\n";
    if (!response.Location.isEmpty())
        head += "Location: " + response.Location + "\r\n";
    if (response.BodyFraming == HttpResponse::Framing::ContentLength)
        head += "Content-Length: " +
                QByteArray::number(response.DeclaredLength >= 0 ? response.DeclaredLength : response.Body.size()) +
                "\r\n";
    if (response.BodyFraming == HttpResponse::Framing::Chunked)
        head += "Transfer-Encoding: chunked\r\n";
    socket->write(head + "\r\n");
    SendPiece(socket, response, 0);
}

void LocalHttpServer::SendPiece(QTcpSocket* socket, const HttpResponse& response, int piece) {
    const qsizetype size = response.Body.size();
    const qsizetype begin = size * piece / response.Pieces;
    const qsizetype end = size * (piece + 1) / response.Pieces;
    const QByteArray data = response.Body.mid(begin, end - begin);
    if (response.BodyFraming == HttpResponse::Framing::Chunked && !data.isEmpty())
        socket->write(QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n");
    else
        socket->write(data);
    socket->flush();

    if (response.StallAfterFirstPiece)
        return;
    if (piece + 1 < response.Pieces) {
        QTimer::singleShot(response.PieceDelayMs, socket,
                           [this, socket, response, piece] { SendPiece(socket, response, piece + 1); });
        return;
    }
    if (response.BodyFraming == HttpResponse::Framing::Chunked)
        socket->write("0\r\n\r\n");
    socket->disconnectFromHost();
}

QString UnreachableBaseUrl() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

} // namespace vk::test
