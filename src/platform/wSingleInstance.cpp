#include "platform/wSingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>
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
// Whether a connection has had its answer; it takes no second request.
constexpr char kAnswered[] = "vorlaneAnswered";
using Status = InstanceProtocol::Status;

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

bool wSingleInstance::notifyRunning(uint32_t command, int timeoutMs, bool claimWhenFree) {
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
        if (elapsed.elapsed() + kRetryMs >= timeoutMs || (claimWhenFree && claim()))
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
        // Every request, old or new, comes through here: only this user's are heard.
        if (!peerIsThisUser(socket->socketDescriptor()) || connections_ >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connections_;
        connect(socket, &QObject::destroyed, this, [this] { --connections_; });
        // Qt reads no more than this much ahead: a flood stays in the kernel.
        socket->setReadBufferSize(qint64(InstanceProtocol::kMaxRequest) + 1);
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        idle->start(kIdleMs);
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, idle] { serve(socket, idle); });
    }
}

void wSingleInstance::serve(QLocalSocket* socket, QTimer* idle) {
    if (socket->property(kAnswered).toBool()) {
        socket->readAll();
        return;
    }
    auto reply = [&](const Reply& r) {
        socket->write(QByteArray::fromStdString(InstanceProtocol::FormatAnswer(r.status, r.text)));
        socket->setProperty(kAnswered, true);
        if (r.holdUntilExit)
            idle->stop();
        else
            socket->disconnectFromServer();
    };
    while (socket->canReadLine()) {
        QByteArray line = socket->readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        const InstanceProtocol::Request r =
            InstanceProtocol::ParseRequest(std::string_view(line.constData(), size_t(line.size())));
        switch (r.kind) {
        case InstanceProtocol::Request::Kind::Legacy: {
            // A plain second start; it may send more than one line.
            const bool ok = r.legacy == accepted_;
            socket->write(ok ? "ok\n" : "bad\n");
            if (ok && onCommand_)
                onCommand_();
            continue;
        }
        case InstanceProtocol::Request::Kind::Bad:
            reply({Status::Bad, r.error, false});
            return;
        case InstanceProtocol::Request::Kind::Command: {
            QPointer<QLocalSocket> alive(socket);
            const Reply answered = answer(r.command);
            if (alive)
                reply(answered);
            return;
        }
        }
    }
    if (socket->bytesAvailable() > qint64(InstanceProtocol::kMaxRequest))
        reply({Status::Bad, "request too long", false});
}

wSingleInstance::Reply wSingleInstance::answer(const std::string& command) {
    if (!handler_)
        return {Status::Busy, "Vorlane is still starting", false};
    // A handler that waits (a stop waits for the writer) may let events through.
    if (serving_)
        return {Status::Busy, "Vorlane is busy with another command", false};
    serving_ = true;
    Reply r = handler_(command);
    serving_ = false;
    return r;
}

void wSingleInstance::setRequestHandler(RequestHandler handler) {
    handler_ = std::move(handler);
}

wSingleInstance::Exchange wSingleInstance::request(const std::string& command, int timeoutMs,
                                                   int endWaitMs) {
    using Outcome = Exchange::Outcome;
    Exchange ex;
    // A socket someone else made is never talked to.
    if (name_.isEmpty() || !isOwnSocket(name_))
        return ex;
    QElapsedTimer elapsed;
    elapsed.start();
    auto left = [&] { return std::max(1, int(timeoutMs - elapsed.elapsed())); };
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(left())) {
        // A crashed instance's socket refuses; a wedged one lets the time run out.
        if (socket.error() == QLocalSocket::SocketTimeoutError)
            ex.outcome = Outcome::NoAnswer;
        return ex;
    }
    if (!peerIsThisUser(socket.socketDescriptor()))
        return ex;
    ex.outcome = Outcome::NoAnswer;
    socket.write(QByteArray::fromStdString(InstanceProtocol::FormatRequest(command)));
    if (!socket.waitForBytesWritten(left()))
        return ex;
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() >= qint64(InstanceProtocol::kMaxAnswer) ||
            elapsed.elapsed() >= timeoutMs)
            return ex;
        // False also when the instance closed the connection: what came before still counts.
        if (!socket.waitForReadyRead(left()) && !socket.canReadLine())
            return ex;
    }
    QByteArray line = socket.readLine(qint64(InstanceProtocol::kMaxAnswer) + 1);
    if (line.endsWith('\n'))
        line.chop(1);
    ex.answer =
        InstanceProtocol::ParseAnswer(std::string_view(line.constData(), size_t(line.size())));
    ex.outcome = Outcome::Answered;
    if (endWaitMs > 0 && ex.answer.valid && ex.answer.status == Status::Ok)
        ex.ended = socket.state() == QLocalSocket::UnconnectedState ||
                   socket.waitForDisconnected(endWaitMs);
    return ex;
}

} // namespace vorlane
