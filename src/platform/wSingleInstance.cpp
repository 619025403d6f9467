#include "platform/wSingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane {

namespace {
constexpr int kRetryMs = 50;
// A command line is a few digits; anything longer is not one of ours.
constexpr qint64 kMaxLine = 32;

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

wSingleInstance::~wSingleInstance() {
    if (server_)
        server_->close();
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

bool wSingleInstance::claim() {
    if (lockFd_ >= 0)
        return true;
    const QByteArray path = QFile::encodeName(lockFileName());
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_uid != ::getuid()) {
        // Not our file to lock (only possible outside a private runtime folder): the
        // socket alone decides, as it did before there was a lock.
        std::fprintf(stderr, "Vorlane: cannot use the lock file %s\n", path.constData());
        if (fd >= 0)
            ::close(fd);
        return !socketAnswers();
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

bool wSingleInstance::notifyRunning(uint32_t command, int timeoutMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(name_);
        if (socket.waitForConnected(std::max(1, int(timeoutMs - elapsed.elapsed()))))
            break;
        socket.abort();
        if (elapsed.elapsed() + kRetryMs >= timeoutMs)
            return false;
        QThread::msleep(kRetryMs);
    }
    socket.write(QByteArray::number(command) + '\n');
    if (!socket.waitForBytesWritten(std::max(1, int(timeoutMs - elapsed.elapsed()))))
        return false;
    // Wait for the running instance to take it, so the command is not lost when this
    // process ends at once.
    socket.waitForReadyRead(std::max(1, int(timeoutMs - elapsed.elapsed())));
    return socket.readAll().startsWith("ok");
}

bool wSingleInstance::socketAnswers() const {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(1000))
        return true;
    return probe.error() != QLocalSocket::ConnectionRefusedError &&
           probe.error() != QLocalSocket::ServerNotFoundError;
}

bool wSingleInstance::listen(uint32_t accepted, std::function<void()> onCommand) {
    accepted_ = accepted;
    onCommand_ = std::move(onCommand);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // With socket options Qt binds under a temporary name and renames the socket into
    // place, which replaces a live listener's socket without a word: look first. Only a
    // socket that refuses the connection is a crashed instance's.
    if (QFileInfo::exists(name_)) {
        if (socketAnswers())
            return false;
        QLocalServer::removeServer(name_);
    }
    if (!server_->listen(name_))
        return false;
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
                ok = ok && command == accepted_;
                socket->write(ok ? "ok\n" : "bad\n");
                if (ok && onCommand_)
                    onCommand_();
            }
            if (socket->bytesAvailable() > kMaxLine)
                socket->abort();
        });
    }
}

} // namespace vorlane
