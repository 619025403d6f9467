#pragma once

#include <QObject>
#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace vorlane {

// Turns POSIX signals (SIGTERM, SIGINT, ...) into a Qt signal on the main thread, so the
// program can end in order instead of dying mid-write. The handler only writes the
// signal number to a socket pair, the one thing a signal handler may safely do.
// One watcher per process.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalWatcher(std::initializer_list<int> signals, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void signalReceived(int signalNumber);

private:
    void readSignal();
    QSocketNotifier* notifier_ = nullptr;
    std::vector<int> signals_;
};

} // namespace vorlane
