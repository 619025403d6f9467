#include "platform/wSingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane {

namespace {
constexpr int kRetryMs = 50;
// A command line is a few digits; anything longer is not one of ours.
constexpr qint64 kMaxLine = 32;

// Only this user can reach it: a folder itself (not a link to one), the user's, with no
// access for anyone else.
bool isPrivateFolder(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

// Makes the folder, or takes it when it is the user's own already (closing it to others);
// a name that someone else holds is left alone.
bool makePrivateFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & 077) != 0) {
        int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            ::fchmod(fd, 0700);
            ::close(fd);
        }
    }
    return isPrivateFolder(path);
}

// The peer of a connected local socket is a process of this user.
bool peerIsThisUser(qintptr fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    return fd >= 0 && ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 &&
           cred.uid == ::geteuid();
}

// The socket file is this user's: one that anyone else made is never talked to.
bool isOwnSocket(const QString& name) {
    struct stat st {};
    return ::lstat(QFile::encodeName(name).constData(), &st) == 0 && S_ISSOCK(st.st_mode) &&
           st.st_uid == ::geteuid();
}
} // namespace

QString wSingleInstance::privateFolder() {
    // The session's runtime folder, when it is what it must be.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        if (isPrivateFolder(QFile::encodeName(runtime)))
            return runtime;
        std::fprintf(stderr, "Vorlane: XDG_RUNTIME_DIR %s is not a private folder of this user\n",
                     QFile::encodeName(runtime).constData());
    }
    // Without one (su, ssh), a folder of the user's own: in the temporary folder, or, when
    // someone else holds that name, in the user's cache folder.
    const QString own = QStringLiteral("vorlane-%1").arg(uint(::geteuid()));
    const QString temp = QDir::tempPath() + QLatin1Char('/') + own;
    if (makePrivateFolder(temp))
        return temp;
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!cache.startsWith(QLatin1Char('/')))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    QDir().mkpath(cache);
    if (makePrivateFolder(cache + QLatin1Char('/') + own))
        return cache + QLatin1Char('/') + own;
    std::fprintf(stderr, "Vorlane: no private folder for the instance lock (%s is taken)\n",
                 QFile::encodeName(temp).constData());
    return {};
}

wSingleInstance::wSingleInstance(const QString& key, QObject* parent) : QObject(parent) {
    const QString folder = privateFolder();
    if (!folder.isEmpty())
        name_ = folder + QStringLiteral("/%1-%2").arg(key).arg(uint(::getuid()));
}

wSingleInstance::~wSingleInstance() {
    if (server_)
        server_->close();
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

bool wSingleInstance::claim() {
    if (lockFd_ >= 0)
        return true;
    if (name_.isEmpty())
        return true; // nowhere safe to keep a lock: this start cannot tell, and goes on
    const QByteArray path = QFile::encodeName(lockFileName());
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
                return false;
            }
            lockFd_ = fd;
            return true;
        }
        if (fd >= 0)
            ::close(fd);
        // Not this user's lock (the folder is): it stands for no instance, and goes.
        ::unlink(path.constData());
    }
    std::fprintf(stderr, "Vorlane: cannot use the lock file %s\n", path.constData());
    return true;
}

bool wSingleInstance::notifyRunning(uint32_t command, int timeoutMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    if (name_.isEmpty())
        return false;
    QLocalSocket socket;
    for (;;) {
        // A socket someone else made, or a listener of someone else, is never told anything.
        if (QFileInfo::exists(name_) && !isOwnSocket(name_))
            return false;
        socket.connectToServer(name_);
        if (socket.waitForConnected(std::max(1, int(timeoutMs - elapsed.elapsed())))) {
            if (!peerIsThisUser(socket.socketDescriptor()))
                return false;
            break;
        }
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
    if (!isOwnSocket(name_))
        return false;
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(1000))
        return peerIsThisUser(probe.socketDescriptor());
    // An instance of this user too busy to accept; a refusal or no access is none.
    return probe.error() == QLocalSocket::SocketTimeoutError;
}

bool wSingleInstance::listen(uint32_t accepted, std::function<void()> onCommand) {
    if (name_.isEmpty())
        return false;
    accepted_ = accepted;
    onCommand_ = std::move(onCommand);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // With socket options Qt binds under a temporary name and renames the socket into
    // place, which replaces a live listener's socket without a word: look first. Only a
    // live listener of this user stays; anything else there is a crashed instance's or
    // someone else's.
    if (QFileInfo::exists(name_) || QFileInfo(name_).isSymLink()) {
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
        if (!peerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            continue;
        }
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
