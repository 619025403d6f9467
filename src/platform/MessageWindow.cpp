#include "platform/MessageWindow.h"

#include "platform/Messages.h"
#include "platform/ThreadSanitizer.h"
#include "platform/WindowCore.h"
#include "platform/WindowEvents.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace vorlane {

namespace {
// Every live window by handle. Posting happens under this lock, and a core leaves the
// map before it is deleted, so an event is never posted to a dying object.
std::mutex g_registryMutex;
std::unordered_map<WindowHandle, WindowCore*> g_registry;
std::atomic<WindowHandle> g_nextHandle{1};

WindowHandle newHandle() {
    WindowHandle h = g_nextHandle.fetch_add(1, std::memory_order_relaxed);
    if (h == 0)
        h = g_nextHandle.fetch_add(1, std::memory_order_relaxed);
    return h;
}

bool postEventTo(WindowHandle h, QEvent* e) {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto it = g_registry.find(h);
    if (it == g_registry.end()) {
        delete e;
        return false;
    }
    SanitizerRelease(e);
    QCoreApplication::postEvent(it->second, e);
    return true;
}

bool onOwnerThread(const WindowCore* core) {
    return core->thread() == QThread::currentThread();
}
} // namespace

MessageWindow::MessageWindow() = default;

MessageWindow::~MessageWindow() {
    detachCore();
}

bool MessageWindow::create() {
    if (core_)
        return false;
    WindowHandle h = newHandle();
    core_ = new WindowCore(this, h);
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        g_registry.emplace(h, core_);
    }
    Message m;
    m.msg = msg::Create;
    if (core_->deliver(m) == -1) {
        destroy();
        return false;
    }
    return core_ != nullptr;
}

void MessageWindow::destroy() {
    if (!core_)
        return;
    Message m;
    m.msg = msg::Destroy;
    core_->deliver(m);
    detachCore();
}

void MessageWindow::detachCore() {
    WindowCore* core = core_;
    if (!core)
        return;
    core_ = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        g_registry.erase(core->handle());
    }
    core->detach();
    if (!onOwnerThread(core)) {
        core->deleteLater();
        return;
    }
    core->stopAllTimers();
    if (core->dispatching())
        core->deleteWhenIdle_ = true; // deleted once the running handler returns
    else
        delete core; // drops pending messages, releases pending senders
}

WindowHandle MessageWindow::handle() const {
    return core_ ? core_->handle() : 0;
}

bool MessageWindow::post(uint32_t m, uintptr_t w, intptr_t l) const {
    return PostTo(handle(), m, w, l);
}

bool MessageWindow::postText(uint32_t m, uintptr_t w, std::string text) const {
    return PostTextTo(handle(), m, w, std::move(text));
}

intptr_t MessageWindow::send(uint32_t m, uintptr_t w, intptr_t l) const {
    intptr_t r = 0;
    TrySendTo(handle(), m, w, l, &r);
    return r;
}

void MessageWindow::setTimer(uint32_t id, int milliseconds) {
    if (!core_)
        return;
    if (onOwnerThread(core_))
        core_->startTimer(id, milliseconds);
    else
        postEventTo(core_->handle(),
                    new TimerControlEvent(id, milliseconds < 0 ? 0 : milliseconds));
}

void MessageWindow::killTimer(uint32_t id) {
    if (!core_)
        return;
    if (onOwnerThread(core_))
        core_->stopTimer(id);
    else
        postEventTo(core_->handle(), new TimerControlEvent(id, -1));
}

intptr_t MessageWindow::dispatch(const Message& m) {
    intptr_t result = 0;
    if (processMessage(m, result))
        return result;
    return defaultProcess(m);
}

intptr_t MessageWindow::defaultProcess(const Message& m) {
    if (m.msg == msg::Close)
        destroy();
    return 0;
}

bool MessageWindow::PostTo(WindowHandle h, uint32_t m, uintptr_t w, intptr_t l) {
    if (h == 0)
        return false;
    Message msg{m, w, l, nullptr};
    return postEventTo(h, new PostedMessageEvent(std::move(msg)));
}

bool MessageWindow::PostTextTo(WindowHandle h, uint32_t m, uintptr_t w, std::string text) {
    if (h == 0)
        return false;
    Message msg{m, w, 0, std::make_shared<const std::string>(std::move(text))};
    return postEventTo(h, new PostedMessageEvent(std::move(msg)));
}

bool MessageWindow::TrySendTo(WindowHandle h, uint32_t m, uintptr_t w, intptr_t l, intptr_t* result,
                              int timeoutMs) {
    if (h == 0)
        return false;
    Message msg{m, w, l, nullptr};
    std::shared_ptr<SendState> state;
    WindowCore* local = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        auto it = g_registry.find(h);
        if (it == g_registry.end())
            return false;
        if (onOwnerThread(it->second)) {
            local = it->second;
        } else {
            state = std::make_shared<SendState>();
            auto* e = new SentMessageEvent(std::move(msg), state);
            SanitizerRelease(e);
            QCoreApplication::postEvent(it->second, e);
        }
    }
    if (local) {
        // Only this thread can destroy the core, so it is still alive here.
        intptr_t r = local->deliver(msg);
        if (result)
            *result = r;
        return true;
    }
    return state->wait(timeoutMs, result);
}

bool MessageWindow::IsLiveWindow(WindowHandle h) {
    if (h == 0)
        return false;
    std::lock_guard<std::mutex> lock(g_registryMutex);
    return g_registry.count(h) != 0;
}

bool CloseAndWait(WindowHandle h, int timeoutMs) {
    if (!MessageWindow::PostTo(h, msg::Close))
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (MessageWindow::IsLiveWindow(h)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (MessageWindow::IsLiveWindow(h))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace vorlane
