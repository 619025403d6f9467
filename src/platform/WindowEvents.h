#pragma once

#include "platform/MessageWindow.h"

#include <QEvent>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace vorlane {

// Event types and payloads that carry messages to a WindowCore. Internal to the
// message layer.
namespace WindowEvents {
inline constexpr int PostedType = QEvent::User + 101;
inline constexpr int SentType = QEvent::User + 102;
inline constexpr int TimerControlType = QEvent::User + 103;
} // namespace WindowEvents

class PostedMessageEvent : public QEvent {
public:
    explicit PostedMessageEvent(Message m)
        : QEvent(QEvent::Type(WindowEvents::PostedType)), message(std::move(m)) {}
    Message message;
};

// Shared between a blocked sender and the receiving thread.
class SendState {
public:
    void finish(bool handled, intptr_t result) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (done_)
            return;
        done_ = true;
        handled_ = handled;
        result_ = result;
        cv_.notify_all();
    }
    // Waits until finished or timed out (timeoutMs < 0: no limit).
    bool wait(int timeoutMs, intptr_t* result) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (timeoutMs < 0)
            cv_.wait(lock, [this] { return done_; });
        else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [this] { return done_; }))
            return false;
        if (result)
            *result = result_;
        return handled_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool done_ = false;
    bool handled_ = false;
    intptr_t result_ = 0;
};

class SentMessageEvent : public QEvent {
public:
    SentMessageEvent(Message m, std::shared_ptr<SendState> s)
        : QEvent(QEvent::Type(WindowEvents::SentType)), message(std::move(m)), state(std::move(s)) {
    }
    // Dropped unhandled (the window went away): release the sender.
    ~SentMessageEvent() override { state->finish(false, 0); }
    Message message;
    std::shared_ptr<SendState> state;
};

class TimerControlEvent : public QEvent {
public:
    TimerControlEvent(uint32_t timerId, int ms)
        : QEvent(QEvent::Type(WindowEvents::TimerControlType)), id(timerId), milliseconds(ms) {}
    uint32_t id;
    int milliseconds; // < 0: kill
};

} // namespace vorlane
