#include "SingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace zov {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr QByteArrayView kRaise = "raise\n";

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), path_(SocketPath(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::SocketPath(const QString& name) {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!dir.isEmpty()) return QDir(dir).filePath(name);
    }
    // The temporary directory is shared by every user: the user's id keeps the name theirs.
    return QDir(QDir::tempPath()).filePath(name + QLatin1Char('-') + QString::number(::getuid()));
}

bool SingleInstance::AskRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(path_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    socket.write(kRaise.data(), kRaise.size());
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectTimeoutMs);
    return true;
}

bool SingleInstance::Claim() {
    if (AskRunningCopy()) return false;
    server_ = new QLocalServer(this);
    // Only this user may reach the socket.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    if (server_->listen(path_)) return true;
    // Nobody answered, so a socket file still there was left by a copy that crashed.
    if (server_->serverError() == QAbstractSocket::AddressInUseError) {
        // Another copy may have started between our attempt and now.
        if (AskRunningCopy()) return false;
        QLocalServer::removeServer(path_);
        if (server_->listen(path_)) return true;
    }
    // Without the guard the program still runs: refusing to start would be worse than two copies.
    return true;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains('\n')) emit activationRequested();
        });
    }
}

}  // namespace zov
