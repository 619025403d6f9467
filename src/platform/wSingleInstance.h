#pragma once

#include "platform/InstanceProtocol.h"

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace vorlane {

// Keeps one running instance per user. The first start claims the instance by locking a
// file in a folder private to the user (the lock goes with the process, even when it
// crashes) and listens on a local socket beside it at once; a later start finds the lock
// taken, hands over a command number and ends. A socket file is removed only when no
// instance of this user answers on it. Locks, socket files and listeners of any other user
// count for nothing: they neither stop a start nor receive a command.
//
// Besides the open command of a plain second start, the socket carries the requests of
// InstanceProtocol: one request and one answer per connection. The instance hears only
// processes of its own user, reads at most one request's worth from each, drops a
// connection that says nothing for a few seconds, and holds a bounded number at once.
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
    // the command. With claimWhenFree, a lock that comes free while no one listens (the
    // instance ended) is claimed at once, and the call returns false.
    bool notifyRunning(uint32_t command, int timeoutMs = 2000, bool claimWhenFree = false);
    // Starts listening as the running instance. Only the command `accepted` reaches
    // onCommand, on this object's thread; others are refused.
    bool listen(uint32_t accepted, std::function<void()> onCommand);

    struct Reply {
        InstanceProtocol::Status status = InstanceProtocol::Status::Ok;
        std::string text;
        // The connection stays open until this process ends, so that the asker can tell
        // when it has.
        bool holdUntilExit = false;
    };
    using RequestHandler = std::function<Reply(const std::string& command)>;
    // From now on the commands of requests reach `handler` on this object's thread, one at
    // a time; until then they are answered busy. An empty handler answers busy again.
    void setRequestHandler(RequestHandler handler);

    // What asking the running instance gave.
    struct Exchange {
        enum class Outcome {
            NotRunning, // no instance of this user listens
            NoAnswer,   // one listens but gave no answer in time (or none this side reads)
            Answered,
        };
        Outcome outcome = Outcome::NotRunning;
        InstanceProtocol::Answer answer;
        // With endWaitMs: after an "ok", the instance ended within that time.
        bool ended = false;
    };
    // Sends one request and waits at most timeoutMs for its answer; after an "ok", at most
    // endWaitMs more for the instance to end. Never blocks longer.
    Exchange request(const std::string& command, int timeoutMs, int endWaitMs = 0);

    // The session's runtime folder when it is private to the user (a folder, not a link,
    // the user's, closed to others); else a folder of the user's own made with those
    // properties in the temporary folder, or in the cache folder when someone else holds
    // that name. Empty when there is none: then every start runs as the instance.
    static QString privateFolder();

    QString socketName() const { return name_; }
    QString lockFileName() const { return name_ + QStringLiteral(".lock"); }

    // How many connections the instance holds at once; later ones are closed at once.
    static constexpr int kMaxConnections = 16;
    // How long a connection may stay silent before it is dropped.
    static constexpr int kIdleMs = 5000;

private:
    void acceptConnections();
    void serve(QLocalSocket* socket, QTimer* idle);
    Reply answer(const std::string& command);
    // Whether a process answers on the socket; false only when the connection is refused.
    bool socketAnswers() const;

    QString name_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
    uint32_t accepted_ = 0;
    std::function<void()> onCommand_;
    RequestHandler handler_;
    bool serving_ = false;
    int connections_ = 0;
};

} // namespace vorlane
