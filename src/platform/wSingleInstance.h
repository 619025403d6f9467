#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

namespace vorlane {

// Keeps one running instance per user. The first start claims the instance by locking a
// file in a folder private to the user (the lock goes with the process, even when it
// crashes) and listens on a local socket beside it at once; a later start finds the lock
// taken, hands over a command number and ends. A socket file is removed only when no
// instance of this user answers on it. Locks, socket files and listeners of any other user
// count for nothing: they neither stop a start nor receive a command.
class wSingleInstance : public QObject {
    Q_OBJECT
public:
    // The names of the socket and the lock file derive from key and the user id.
    explicit wSingleInstance(const QString& key, QObject* parent = nullptr);
    ~wSingleInstance() override;

    // True when this process is the instance from now on; false when another live
    // process holds it. Never blocks.
    bool claim();
    // Tries to hand `command` to a running instance, which may still be starting: the
    // connection is retried until timeoutMs. True when the instance answered that it took
    // the command.
    bool notifyRunning(uint32_t command, int timeoutMs = 2000);
    // Starts listening as the running instance. Only the command `accepted` reaches
    // onCommand, on this object's thread; others are refused.
    bool listen(uint32_t accepted, std::function<void()> onCommand);

    // The session's runtime folder when it is private to the user (a folder, not a link,
    // the user's, closed to others); else a folder of the user's own made with those
    // properties in the temporary folder, or in the cache folder when someone else holds
    // that name. Empty when there is none: then every start runs as the instance.
    static QString privateFolder();

    QString socketName() const { return name_; }
    QString lockFileName() const { return name_ + QStringLiteral(".lock"); }

private:
    void acceptConnections();
    // Whether a process answers on the socket; false only when the connection is refused.
    bool socketAnswers() const;

    QString name_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
    uint32_t accepted_ = 0;
    std::function<void()> onCommand_;
};

} // namespace vorlane
