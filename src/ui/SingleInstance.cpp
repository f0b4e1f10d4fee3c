#include "ui/SingleInstance.h"

#include "platform/Error.h"
#include "settings/uSettings.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QMainWindow>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>
#include <QWidget>
#include <QtEndian>
#include <memory>

namespace vk {

namespace {

// Says when a later start brought this copy forward (off unless enabled with
// QT_LOGGING_RULES="veilkeep.instance.debug=true").
Q_LOGGING_CATEGORY(InstanceLog, "veilkeep.instance", QtWarningMsg)

} // namespace

namespace {

constexpr int ConnectTimeoutMs = 2000;
// A running copy may be busy between two event-loop turns (the update check
// at start-up waits up to three seconds); its answer is awaited longer.
constexpr int AnswerTimeoutMs = 10000;
// A connection that has not delivered a whole request by then is cut off.
constexpr int IncompleteRequestMs = 5000;
// A local socket's address holds 108 bytes on Linux, the terminating zero
// included; the lock file beside the socket adds nothing to the socket's own.
constexpr qsizetype LongestSocketPath = 100;
constexpr int ClaimTimeoutMs = 5000;

const QByteArray RequestMagic = QByteArrayLiteral("VKIR");
constexpr char RequestVersion = 1;
constexpr qsizetype HeaderSize = 4 + 1 + 4;
constexpr char AcceptedAnswer = 'A';

void AppendBigEndian32(QByteArray& bytes, quint32 value) {
    char buffer[4];
    qToBigEndian(value, buffer);
    bytes.append(buffer, 4);
}

void AppendBigEndian16(QByteArray& bytes, quint16 value) {
    char buffer[2];
    qToBigEndian(value, buffer);
    bytes.append(buffer, 2);
}

// Reads the body of a request; false on anything but one exact request.
bool ParseBody(QByteArrayView body, InstanceRequest& request) {
    if (body.size() < 3)
        return false;
    const auto command = static_cast<quint8>(body[0]);
    if (command != static_cast<quint8>(InstanceRequest::Command::Activate) &&
        command != static_cast<quint8>(InstanceRequest::Command::Open))
        return false;
    const quint16 count = qFromBigEndian<quint16>(body.data() + 1);
    InstanceRequest parsed;
    parsed.Kind = static_cast<InstanceRequest::Command>(command);
    if (parsed.Kind == InstanceRequest::Command::Activate && count != 0)
        return false;
    qsizetype at = 3;
    for (quint16 i = 0; i < count; ++i) {
        if (body.size() - at < 4)
            return false;
        const quint32 length = qFromBigEndian<quint32>(body.data() + at);
        at += 4;
        if (length == 0 || length > static_cast<quint64>(body.size() - at))
            return false;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString path = utf8(body.sliced(at, length));
        if (utf8.hasError() || path.contains(QChar(u'\0')))
            return false;
        parsed.Paths << path;
        at += length;
    }
    if (at != body.size())
        return false;
    request = std::move(parsed);
    return true;
}

void Raise(QWidget* window) {
    window->show();
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

} // namespace

QByteArray EncodeInstanceRequest(const InstanceRequest& request) {
    QByteArray body;
    body.append(static_cast<char>(request.Kind));
    const QStringList& paths = request.Kind == InstanceRequest::Command::Open ? request.Paths : QStringList();
    AppendBigEndian16(body, static_cast<quint16>(paths.size()));
    for (const QString& path : paths) {
        const QByteArray utf8 = path.toUtf8();
        AppendBigEndian32(body, static_cast<quint32>(utf8.size()));
        body.append(utf8);
    }
    QByteArray message = RequestMagic;
    message.append(RequestVersion);
    AppendBigEndian32(message, static_cast<quint32>(body.size()));
    return message + body;
}

DecodeResult DecodeInstanceRequest(const QByteArray& bytes, InstanceRequest& request) {
    // Every byte received is checked as soon as it is there, so a wrong start
    // is refused without waiting for the rest.
    const qsizetype magicSeen = std::min(bytes.size(), RequestMagic.size());
    if (bytes.first(magicSeen) != RequestMagic.first(magicSeen))
        return DecodeResult::Malformed;
    if (bytes.size() > 4 && bytes[4] != RequestVersion)
        return DecodeResult::Malformed;
    if (bytes.size() < HeaderSize)
        return DecodeResult::Incomplete;
    const quint32 bodyLength = qFromBigEndian<quint32>(bytes.constData() + 5);
    if (bodyLength > MaxRequestBody)
        return DecodeResult::Malformed;
    const qsizetype whole = HeaderSize + static_cast<qsizetype>(bodyLength);
    if (bytes.size() < whole)
        return DecodeResult::Incomplete;
    if (bytes.size() > whole)
        return DecodeResult::Malformed;
    return ParseBody(QByteArrayView(bytes).sliced(HeaderSize), request) ? DecodeResult::Complete
                                                                        : DecodeResult::Malformed;
}

SingleInstance::SingleInstance(QString serverPath, QObject* parent)
    : QObject(parent), FServerPath(std::move(serverPath)) {
    connect(&FServer, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnections);
}

QString SingleInstance::ServerPathFor(SettingsStore& settings) {
    // The settings folder is created owner-only; the socket inside it is
    // reachable by this user alone.
    return ServerPathIn(ToQString(settings.SettingsFilePath().parent_path()));
}

QString SingleInstance::ServerPathIn(const QString& settingsFolder) {
    const QString inside = QDir(settingsFolder).filePath(QStringLiteral("instance"));
    if (inside.toUtf8().size() <= LongestSocketPath)
        return inside;
    // Qt makes sure the runtime folder belongs to this user and is private.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QByteArray digest = QCryptographicHash::hash(inside.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QDir(runtime).filePath(QStringLiteral("veilkeep-") + QString::fromLatin1(digest));
}

bool SingleInstance::ClaimOrHandOver(const InstanceRequest& request) {
    const QString noAnswer = TranslatedText("Another copy of the program is running but does not answer.");
    Handover handover = SendToRunningCopy(request);
    if (handover == Handover::Taken)
        return false;
    if (handover == Handover::NoAnswer)
        throw Error(noAnswer.toStdString());
    // Two copies started at once must not both find no server and both
    // listen (the second would remove the first one's socket): the claim runs
    // under a lock. The lock of a copy that died while claiming is stale and
    // taken over.
    QLockFile claimLock(FServerPath + QStringLiteral(".lock"));
    if (!claimLock.tryLock(ClaimTimeoutMs))
        throw Error(noAnswer.toStdString());
    handover = SendToRunningCopy(request);
    if (handover == Handover::Taken)
        return false;
    if (handover == Handover::NoAnswer)
        throw Error(noAnswer.toStdString());
    // A socket that refuses connections was left by a copy that ended
    // without closing it (a crash): it goes. One that accepts them is never
    // removed, even when its copy is slow to answer.
    QLocalServer::removeServer(FServerPath);
    // The socket is made reachable by this user alone before it takes its
    // name, inside a folder only this user can enter.
    FServer.setSocketOptions(QLocalServer::UserAccessOption);
    if (!FServer.listen(FServerPath))
        throw Error((TranslatedText("The program cannot make sure that only one copy of it runs:") +
                     QStringLiteral("\r\n") + FServer.errorString())
                        .toStdString());
    return true;
}

SingleInstance::Handover SingleInstance::SendToRunningCopy(const InstanceRequest& request) const {
    QLocalSocket socket;
    socket.connectToServer(FServerPath);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return Handover::NobodyListens;
    // From here a copy is listening: only its answer, or its end, tells
    // whether it took the request.
    socket.write(EncodeInstanceRequest(request));
    socket.flush();
    // The wait runs an event loop of its own, so that a copy in this same
    // process (a test) can answer too.
    if (socket.bytesAvailable() < 1) {
        QEventLoop waitForAnswer;
        QTimer timeout;
        timeout.setSingleShot(true);
        connect(&timeout, &QTimer::timeout, &waitForAnswer, &QEventLoop::quit);
        connect(&socket, &QLocalSocket::readyRead, &waitForAnswer, &QEventLoop::quit);
        connect(&socket, &QLocalSocket::disconnected, &waitForAnswer, &QEventLoop::quit);
        timeout.start(AnswerTimeoutMs);
        waitForAnswer.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QByteArray answer = socket.read(1);
    socket.abort();
    if (answer.size() == 1 && answer[0] == AcceptedAnswer)
        return Handover::Taken;
    // A copy that accepted the connection is running, whether it refused the
    // request, cut it off or is too busy to answer: its socket stays.
    return Handover::NoAnswer;
}

void SingleInstance::AcceptConnections() {
    while (QLocalSocket* connection = FServer.nextPendingConnection()) {
        connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
        // A connection that never completes its request is cut off.
        auto* deadline = new QTimer(connection);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, connection, &QLocalSocket::abort);
        deadline->start(IncompleteRequestMs);
        auto received = std::make_shared<QByteArray>();
        const auto readRequest = [this, connection, received, deadline] {
            if (!deadline->isActive())
                return; // answered or refused already
            received->append(connection->read(HeaderSize + MaxRequestBody + 1 - received->size()));
            InstanceRequest request;
            const DecodeResult result = DecodeInstanceRequest(*received, request);
            if (result == DecodeResult::Incomplete)
                return;
            deadline->stop();
            if (result == DecodeResult::Malformed) {
                connection->abort();
                return;
            }
            // The answer goes out before the request is acted on, so the
            // later start can end while this copy comes forward.
            connection->write(QByteArray(1, AcceptedAnswer));
            connection->flush();
            connection->disconnectFromServer();
            if (request.Kind == InstanceRequest::Command::Open)
                emit OpenRequested(request.Paths);
            emit ActivationRequested();
        };
        connect(connection, &QLocalSocket::readyRead, this, readRequest);
        if (connection->bytesAvailable() > 0)
            readRequest();
    }
}

void BringProgramForward() {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        Raise(dialog);
        qCDebug(InstanceLog) << "brought forward:" << dialog->metaObject()->className();
        return;
    }
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(window) != nullptr && !window->isHidden()) {
            Raise(window);
            qCDebug(InstanceLog) << "brought forward:" << window->metaObject()->className();
            return;
        }
}

} // namespace vk
