#include "ui/SingleInstance.h"

#include "platform/Error.h"
#include "settings/uSettings.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>
#include <QLocalSocket>
#include <QLockFile>
#include <QMainWindow>
#include <QWidget>

namespace vk {

namespace {

constexpr int ConnectTimeoutMs = 2000;
// A local socket's address holds 108 bytes on Linux, the terminating zero
// included; the lock file beside the socket adds nothing to the socket's own.
constexpr qsizetype LongestSocketPath = 100;
constexpr int ClaimTimeoutMs = 5000;
const QByteArray ActivateRequest = QByteArrayLiteral("activate\n");

void Raise(QWidget* window) {
    window->show();
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

} // namespace

SingleInstance::SingleInstance(QString serverPath, QObject* parent)
    : QObject(parent), FServerPath(std::move(serverPath)) {
    connect(&FServer, &QLocalServer::newConnection, this, &SingleInstance::AnswerLaterStart);
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

bool SingleInstance::ClaimOrHandOver() {
    if (AskRunningCopyForward())
        return false;
    // Two copies started at once must not both find no server and both
    // listen (the second would remove the first one's socket): the claim runs
    // under a lock. The lock of a copy that died while claiming is stale and
    // taken over.
    QLockFile claimLock(FServerPath + QStringLiteral(".lock"));
    if (!claimLock.tryLock(ClaimTimeoutMs))
        throw Error(TranslatedText("Another copy of the program is running but does not answer.").toStdString());
    if (AskRunningCopyForward())
        return false;
    // A socket nobody answers on was left by a copy that ended without
    // closing it (a crash): it goes.
    QLocalServer::removeServer(FServerPath);
    FServer.setSocketOptions(QLocalServer::UserAccessOption);
    if (!FServer.listen(FServerPath))
        throw Error((TranslatedText("The program cannot make sure that only one copy of it runs:") +
                     QStringLiteral("\r\n") + FServer.errorString())
                        .toStdString());
    return true;
}

bool SingleInstance::AskRunningCopyForward() const {
    QLocalSocket socket;
    socket.connectToServer(FServerPath);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    socket.write(ActivateRequest);
    const bool sent = socket.waitForBytesWritten(ConnectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::AnswerLaterStart() {
    while (QLocalSocket* connection = FServer.nextPendingConnection()) {
        connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
        connection->disconnectFromServer();
        emit ActivationRequested();
    }
}

void BringProgramForward() {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        Raise(dialog);
        return;
    }
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(window) != nullptr && !window->isHidden()) {
            Raise(window);
            return;
        }
}

} // namespace vk
