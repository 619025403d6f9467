#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vorlane {

class WindowCore;

// Names a message window across threads, like a window handle: 0 is no window, and a
// handle of a destroyed window stays invalid for good (numbers are never reused).
using WindowHandle = uint32_t;

// One message as a window receives it. A message that carries text owns it, so no
// pointer into a sender's stack ever crosses a thread.
struct Message {
    uint32_t msg = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::shared_ptr<const std::string> text;
};

// A window that receives numbered messages on the thread that created it, through that
// thread's Qt event loop: posted and sent messages, fixed-id timers, create, close and
// destroy. Subclasses implement processMessage() as their message map and return false
// for what they leave to the next map; what no map handles gets the default handling
// (a Close destroys the window).
//
// A QWidget that is also a message window must call MessageWindow::create() and
// MessageWindow::destroy() qualified: QWidget has members of the same names.
//
// Thread contract: create(), destroy() and the object's destruction happen on the owner
// thread. post(), send(), setTimer() and killTimer() may be called from any thread.
class MessageWindow {
public:
    MessageWindow();
    virtual ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // Binds the window to the calling thread and delivers msg::Create. Fails when the
    // window exists already or when the Create handler answers -1.
    bool create();
    // Delivers msg::Destroy, stops the timers and invalidates the handle. Pending
    // posted messages are dropped; pending senders are released with a failure.
    void destroy();

    WindowHandle handle() const;
    bool isWindow() const { return handle() != 0; }

    bool post(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0) const;
    bool postText(uint32_t msg, uintptr_t wParam, std::string text) const;
    // Returns the handler's result; 0 when the window is gone.
    intptr_t send(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0) const;

    // A timer is periodic until killed; setting a running id restarts it.
    void setTimer(uint32_t id, int milliseconds);
    void killTimer(uint32_t id);

    // Handle-based operations, for peers that only know the handle.
    static bool PostTo(WindowHandle h, uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);
    static bool PostTextTo(WindowHandle h, uint32_t msg, uintptr_t wParam, std::string text);
    // Same thread: a direct call. Another thread: blocks until the message is handled,
    // the window goes away, or timeoutMs (when >= 0) has passed. Returns whether it was
    // handled; the handler's result goes to *result.
    static bool TrySendTo(WindowHandle h, uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0,
                          intptr_t* result = nullptr, int timeoutMs = -1);
    static bool IsLiveWindow(WindowHandle h);

protected:
    // The message map. Set result and return true when handled.
    virtual bool processMessage(const Message& m, intptr_t& result) = 0;
    // What happens to a message that no map handled.
    virtual intptr_t defaultProcess(const Message& m);

private:
    friend class WindowCore;
    intptr_t dispatch(const Message& m);
    void detachCore();

    WindowCore* core_ = nullptr;
};

// Posts a close to the window, then runs the calling thread's events until the window
// is gone or the time is up. Returns whether it is gone.
bool CloseAndWait(WindowHandle h, int timeoutMs);

} // namespace vorlane
