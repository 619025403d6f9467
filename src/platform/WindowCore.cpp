#include "platform/WindowCore.h"

#include "platform/Messages.h"
#include "platform/ThreadSanitizer.h"
#include "platform/WindowEvents.h"

#include <QCoreApplication>
#include <QTimerEvent>

namespace vorlane {

WindowCore::WindowCore(MessageWindow* window, WindowHandle handle)
    : window_(window), handle_(handle) {}

WindowCore::~WindowCore() = default;

void WindowCore::startTimer(uint32_t id, int ms) {
    timers_[id].start(ms < 0 ? 0 : ms, Qt::PreciseTimer, this);
}

void WindowCore::stopTimer(uint32_t id) {
    auto it = timers_.find(id);
    if (it != timers_.end()) {
        it->second.stop();
        timers_.erase(it);
    }
}

void WindowCore::stopAllTimers() {
    for (auto& [id, t] : timers_)
        t.stop();
    timers_.clear();
}

intptr_t WindowCore::deliver(const Message& m) {
    if (!window_)
        return 0;
    ++depth_;
    intptr_t r = window_->dispatch(m);
    --depth_;
    if (depth_ == 0 && deleteWhenIdle_)
        deleteLater();
    return r;
}

bool WindowCore::event(QEvent* e) {
    SanitizerAcquire(e); // posted by another thread through Qt's event queue
    switch (int(e->type())) {
    case WindowEvents::PostedType: {
        auto* pe = static_cast<PostedMessageEvent*>(e);
        deliver(pe->message);
        return true;
    }
    case WindowEvents::SentType: {
        auto* se = static_cast<SentMessageEvent*>(e);
        bool alive = window_ != nullptr;
        intptr_t r = deliver(se->message);
        se->state->finish(alive, r);
        return true;
    }
    case WindowEvents::TimerControlType: {
        auto* te = static_cast<TimerControlEvent*>(e);
        if (!window_)
            return true;
        if (te->milliseconds < 0)
            stopTimer(te->id);
        else
            startTimer(te->id, te->milliseconds);
        return true;
    }
    default:
        return QObject::event(e);
    }
}

void WindowCore::timerEvent(QTimerEvent* e) {
    for (auto& [id, t] : timers_) {
        if (t.timerId() == e->timerId()) {
            Message m;
            m.msg = msg::Timer;
            m.wParam = id;
            deliver(m);
            return;
        }
    }
    QObject::timerEvent(e);
}

} // namespace vorlane
