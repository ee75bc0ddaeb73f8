#pragma once
// One running qln per user: the first instance listens on a per-user local socket; a later one finds
// it there, asks it to bring its window to the front, and ends.

#include <QObject>
#include <QString>

class QLocalServer;

namespace qln {

class Dialogs;

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // `name` is the socket's name; DefaultName() for the real program, a name of their own in tests.
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The per-user name of the program's socket.
    static QString DefaultName();

    // Become the running instance: true when no other instance answers on the name (a socket left by
    // an instance that died is taken over); false when another instance is running.
    bool Claim();
    // Ask the running instance to bring its window to the front. False when none answered.
    bool ActivateRunning(int timeoutMs = 2000);

    const QString& Name() const { return name_; }

Q_SIGNALS:
    // Another instance asked this one to bring its window to the front.
    void activationRequested();

private:
    void OnNewConnection();

    QString name_;
    QLocalServer* server_ = nullptr;
};

// The start-up check of the entry point: true when this is the only instance. Otherwise beep, tell the
// user that the program is already running, ask the running instance to come to the front, and give
// false (the caller ends).
bool EnsureSingleInstance(SingleInstance& instance, Dialogs& dialogs, const QString& applicationTitle);

}  // namespace qln
