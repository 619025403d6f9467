#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

namespace vorlane {

// Keeps one running instance per user. The first instance listens on a local socket in
// the user's runtime folder (private to the user); a later start connects, hands over a
// command number and ends. A socket left by a crashed instance is removed and taken over.
class wSingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket's name is derived from key and the user id.
    explicit wSingleInstance(const QString& key, QObject* parent = nullptr);
    ~wSingleInstance() override;

    // Tries to hand `command` to a running instance; true when one took it.
    bool notifyRunning(uint32_t command, int timeoutMs = 2000);
    // Starts listening as the running instance; onCommand receives each command handed
    // over later, on this object's thread.
    bool listen(std::function<void(uint32_t)> onCommand);

    QString socketName() const { return name_; }

private:
    void acceptConnections();

    QString name_;
    QLocalServer* server_ = nullptr;
    std::function<void(uint32_t)> onCommand_;
};

} // namespace vorlane
