#pragma once

#include "platform/MessageWindow.h"

#include <QBasicTimer>
#include <QObject>
#include <map>

namespace vorlane {

// The Qt side of a MessageWindow: a QObject living on the window's thread that turns
// posted events and timer events into messages. Internal to the message layer.
class WindowCore : public QObject {
    Q_OBJECT
public:
    WindowCore(MessageWindow* window, WindowHandle handle);
    ~WindowCore() override;

    WindowHandle handle() const { return handle_; }
    MessageWindow* window() const { return window_; }
    void detach() { window_ = nullptr; }
    bool dispatching() const { return depth_ > 0; }

    void startTimer(uint32_t id, int ms);
    void stopTimer(uint32_t id);
    void stopAllTimers();

    // Delivers a message to the window, guarding against its destruction mid-call.
    intptr_t deliver(const Message& m);

protected:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    MessageWindow* window_;
    WindowHandle handle_;
    std::map<uint32_t, QBasicTimer> timers_;
    int depth_ = 0;
    bool deleteWhenIdle_ = false;

    friend class MessageWindow;
};

} // namespace vorlane
