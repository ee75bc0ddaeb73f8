// SingleInstance: a QLocalServer per user; the second instance connects and asks for activation.

#include "app/single_instance.h"

#include "app/dialogs.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace qln {

namespace {

const QByteArray kActivate = QByteArrayLiteral("activate\n");

QString UserName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty()) user = QDir::homePath();
    return user;
}

// Whether an instance answers on `name`.
bool SomeoneListens(const QString& name, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    return socket.waitForConnected(timeoutMs);
}

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultName() {
    // A hash keeps the name short and free of characters a socket path cannot hold.
    const QByteArray hash = QCryptographicHash::hash(UserName().toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("qln-") + QString::fromLatin1(hash);
}

bool SingleInstance::Claim() {
    if (server_) return true;
    // Two instances started at the same moment must not both decide they are the first: the check and
    // the listen happen under a lock file of the same name.
    QLockFile lock(QDir(QDir::tempPath()).filePath(name_ + QStringLiteral(".lock")));
    lock.setStaleLockTime(10000);
    lock.tryLock(5000);

    if (SomeoneListens(name_, 500)) return false;

    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        // Nobody answers, so a socket left by an instance that ended abnormally is in the way.
        QLocalServer::removeServer(name_);
        if (!server->listen(name_)) {
            // The socket cannot be had at all: run anyway rather than refuse to start.
            delete server;
            return true;
        }
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return true;
}

bool SingleInstance::ActivateRunning(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kActivate);
    const bool written = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return written;
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->canReadLine() && socket->readLine() == kActivate) Q_EMIT activationRequested();
        });
    }
}

bool EnsureSingleInstance(SingleInstance& instance, Dialogs& dialogs, const QString& applicationTitle) {
    if (instance.Claim()) return true;
    QApplication::beep();
    dialogs.Message(nullptr, Dialogs::Icon::Warning, applicationTitle,
                    applicationTitle + QStringLiteral(" is already running! Look in your System Tray."));
    instance.ActivateRunning();
    return false;
}

}  // namespace qln
