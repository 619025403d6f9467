#include "platform/wSingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

namespace vorlane {

namespace {
QString runtimeFolder() {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QDir::tempPath();
    return dir;
}
} // namespace

wSingleInstance::wSingleInstance(const QString& key, QObject* parent)
    : QObject(parent),
      name_(runtimeFolder() + QStringLiteral("/%1-%2").arg(key).arg(uint(::getuid()))) {}

wSingleInstance::~wSingleInstance() = default;

bool wSingleInstance::notifyRunning(uint32_t command, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray text = QByteArray::number(command) + '\n';
    socket.write(text);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Wait for the running instance to take it, so the command is not lost when this
    // process ends at once.
    socket.waitForReadyRead(timeoutMs);
    return socket.readAll().startsWith("ok");
}

bool wSingleInstance::listen(std::function<void(uint32_t)> onCommand) {
    onCommand_ = std::move(onCommand);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Nobody answered notifyRunning(), so the socket is a crashed instance's leftover.
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &wSingleInstance::acceptConnections);
    return true;
}

void wSingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                bool ok = false;
                uint32_t command = socket->readLine().trimmed().toUInt(&ok);
                socket->write(ok ? "ok\n" : "bad\n");
                if (ok && onCommand_)
                    onCommand_(command);
            }
        });
    }
}

} // namespace vorlane
