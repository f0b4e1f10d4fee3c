#pragma once

// Only one copy of the program runs per user: two copies would each save
// their own list over the other's. The first copy listens on a local socket
// that only this user can reach; a later start connects to it, sends its
// request and waits until the running copy has read it and answered, then
// ends.
//
// A request is a small versioned message, so that later starts can ask for
// more than "come forward" (open these paths) without a new channel:
//   "VKIR"  magic, 4 bytes
//   1       format version, 1 byte
//   length  of the body, 4 bytes big-endian, at most MaxRequestBody
//   body:   command (1 byte: 1 activate, 2 open), path count (2 bytes
//           big-endian), each path as its UTF-8 length (4 bytes big-endian)
//           and bytes; activate carries no path.
// The running copy answers a complete, well-formed request with one byte
// ("A") before it acts on it; anything else (a wrong magic or version, an
// oversized or malformed body, a connection that stays incomplete) is cut off
// without effect.

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace vk {

class SettingsStore;

struct InstanceRequest {
    enum class Command : quint8 { Activate = 1, Open = 2 };
    Command Kind = Command::Activate;
    QStringList Paths; // Open only
    bool operator==(const InstanceRequest&) const = default;
};

// The largest body a request may have; a longer one is refused unread.
inline constexpr quint32 MaxRequestBody = 64 * 1024;

QByteArray EncodeInstanceRequest(const InstanceRequest& request);

enum class DecodeResult { Incomplete, Complete, Malformed };
// Decodes the bytes received so far: Complete fills request (the bytes hold
// exactly one request), Incomplete asks for more, Malformed refuses.
DecodeResult DecodeInstanceRequest(const QByteArray& bytes, InstanceRequest& request);

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // serverPath: the socket's full path, in a folder only this user can reach.
    explicit SingleInstance(QString serverPath, QObject* parent = nullptr);

    // True when no other copy runs: this one then answers later starts. False
    // when another copy runs and has taken the request (by default: come
    // forward). Raises vk::Error when neither can be done (the program must
    // not run then), among them a running copy that accepts the connection but
    // does not answer.
    bool ClaimOrHandOver(const InstanceRequest& request = {});

    // The server path for the user of settings: beside the settings file.
    static QString ServerPathFor(SettingsStore& settings);
    // The server path for a settings folder: "instance" inside it while that
    // fits a local socket's address, else a name derived from the folder in
    // the user's private runtime folder.
    static QString ServerPathIn(const QString& settingsFolder);

signals:
    // A later start asked this copy to bring its window forward.
    void ActivationRequested();
    // A later start asked this copy to list these paths.
    void OpenRequested(const QStringList& paths);

private:
    enum class Handover { Taken, NobodyListens, NoAnswer };
    Handover SendToRunningCopy(const InstanceRequest& request) const;
    void AcceptConnections();

    QString FServerPath;
    QLocalServer FServer;
};

// Brings the program's window forward: the dialog that waits for an answer
// if there is one, else the main window, restored when it was minimised.
void BringProgramForward();

} // namespace vk
