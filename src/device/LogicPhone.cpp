#include "device/LogicPhone.h"

#include "platform/Messages.h"

namespace vorlane {

LogicPhone::~LogicPhone() {
    releaseWindow();
}

void LogicPhone::Attach(TPUtilWindow* window) {
    releaseWindow();
    window_ = window;
    if (window_)
        window_->subclass(this);
}

void LogicPhone::releaseWindow() {
    if (window_ && window_->subclassed() == this)
        window_->unsubclass();
}

bool LogicPhone::ProcessWindowMessage(const Message& m, intptr_t& result) {
    if (ProcessRoutineMessage(m, result))
        return true;
    // The object's own timer, 1280-1302 and 1072-1079 handlers take nothing.
    if (m.msg == msg::DeviceEnded) {
        Cleanup();
        MessageWindow::PostTo(owner_, msg::DeviceEnded, reinterpret_cast<uintptr_t>(this), 0);
        result = 0;
        return true;
    }
    return false;
}

} // namespace vorlane
