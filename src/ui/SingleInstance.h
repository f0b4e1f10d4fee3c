#pragma once

// Only one copy of the program runs per user: two copies would each save
// their own list over the other's. The first copy listens on a local socket
// in the user's private settings folder; a later start connects to it, which
// asks the first copy to bring its window forward, and ends.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace vk {

class SettingsStore;

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // serverPath: the socket's full path, in a folder only this user can reach.
    explicit SingleInstance(QString serverPath, QObject* parent = nullptr);

    // True when no other copy runs: this one then answers later starts. False
    // when another copy runs; it has been asked to come forward. Raises
    // vk::Error when neither can be done (the program must not run then).
    bool ClaimOrHandOver();

    // The server path for the user of settings: beside the settings file.
    static QString ServerPathFor(SettingsStore& settings);
    // The server path for a settings folder: "instance" inside it while that
    // fits a local socket's address, else a name derived from the folder in
    // the user's private runtime folder.
    static QString ServerPathIn(const QString& settingsFolder);

signals:
    // A later start asked this copy to bring its window forward.
    void ActivationRequested();

private:
    // True when a running copy took the request.
    bool AskRunningCopyForward() const;
    void AnswerLaterStart();

    QString FServerPath;
    QLocalServer FServer;
};

// Brings the program's window forward: the dialog that waits for an answer
// if there is one, else the main window, restored when it was minimised.
void BringProgramForward();

} // namespace vk
