#include "platform/MessageThread.h"

#include "platform/ThreadSanitizer.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

namespace vorlane {

class MessageLoopThread : public QThread {
public:
    std::function<bool()> init;
    std::function<void()> finish;
    std::atomic<int> code{0};

    std::mutex mutex;
    std::condition_variable cv;
    bool initDone = false;
    bool initOk = false;

    // Whoever sees the thread ended (wait() returned, or it no longer runs) may touch
    // what it wrote; Qt orders that with locks the thread sanitizer cannot see.
    void joined() { SanitizerAcquire(this); }

protected:
    void run() override {
        struct Ended {
            MessageLoopThread* t;
            ~Ended() { SanitizerRelease(t); }
        } ended{this};
        bool ok = init ? init() : true;
        {
            // Notify under the lock: the starter may destroy this object as soon as it
            // sees initDone.
            std::lock_guard<std::mutex> lock(mutex);
            initDone = true;
            initOk = ok;
            cv.notify_all();
        }
        if (!ok) {
            code.store(0);
            return;
        }
        code.store(exec());
        SanitizerAcquire(&finish); // what the quitter did before quit() is seen by finish
        if (finish)
            finish();
    }
};

MessageThread::MessageThread(std::string name) : name_(std::move(name)) {}

MessageThread::~MessageThread() {
    if (!thread_)
        return;
    if (!thread_->isRunning()) {
        thread_->joined();
        return;
    }
    quit(0);
    if (!abandoned_ && thread_->wait(QDeadlineTimer(DestroyWaitMs))) {
        thread_->joined();
        return;
    }
    // Destroying a QThread that still runs ends the process. A thread stuck this long is
    // left to the end of the process instead.
    std::fprintf(stderr, "Vorlane: the %s thread did not end; leaving it\n", name_.c_str());
    static std::mutex leftMutex;
    static auto* left = new std::vector<MessageLoopThread*>; // reachable: not a leak
    std::lock_guard<std::mutex> lock(leftMutex);
    left->push_back(thread_.release());
}

bool MessageThread::start(std::function<bool()> init, std::function<void()> finish, int waitMs) {
    if (thread_ && thread_->isRunning())
        return false;
    if (thread_)
        thread_->joined();
    thread_ = std::make_unique<MessageLoopThread>();
    thread_->setObjectName(QString::fromStdString(name_));
    thread_->init = std::move(init);
    thread_->finish = std::move(finish);
    thread_->start();
    std::unique_lock<std::mutex> lock(thread_->mutex);
    MessageLoopThread* t = thread_.get();
    if (!t->cv.wait_for(lock, std::chrono::milliseconds(waitMs), [t] { return t->initDone; }))
        return false;
    return t->initOk;
}

void MessageThread::quit(int code) {
    if (!thread_)
        return;
    SanitizerRelease(&thread_->finish);
    thread_->exit(code);
}

bool MessageThread::wait(int ms) {
    if (!thread_)
        return true;
    if (!thread_->wait(QDeadlineTimer(ms)))
        return false;
    thread_->joined();
    return true;
}

bool MessageThread::isRunning() const {
    return thread_ && thread_->isRunning();
}

void MessageThread::abandon() {
    if (isRunning())
        abandoned_ = true;
}

bool MessageThread::abandoned() const {
    return abandoned_ && isRunning();
}

int MessageThread::exitCode() const {
    return thread_ ? thread_->code.load() : 0;
}

void PostQuitMessage(int code) {
    QThread* current = QThread::currentThread();
    if (QCoreApplication::instance() && current == QCoreApplication::instance()->thread())
        QCoreApplication::exit(code);
    else
        current->exit(code);
}

} // namespace vorlane
