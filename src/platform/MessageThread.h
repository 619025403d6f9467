#pragma once

#include <functional>
#include <memory>
#include <string>

namespace vorlane {

class MessageLoopThread;

// A thread that runs a Qt event loop for the message windows created on it.
// start() runs init on the new thread (create the thread's windows there) and returns
// its result; the loop then runs until PostQuitMessage() on that thread or quit();
// finish runs on the thread after the loop (destroy the thread's windows there).
class MessageThread {
public:
    static constexpr int DestroyWaitMs = 5000;

    explicit MessageThread(std::string name);
    // Quits the loop and waits for the thread (at most DestroyWaitMs, not at all once
    // abandoned). A thread still running then is left behind, never destroyed.
    ~MessageThread();
    MessageThread(const MessageThread&) = delete;
    MessageThread& operator=(const MessageThread&) = delete;

    // Returns false when init failed (the thread then ends without a loop) or did not
    // finish within waitMs.
    bool start(std::function<bool()> init, std::function<void()> finish = {}, int waitMs = 600000);
    // Ends the loop from any thread.
    void quit(int code = 0);
    // Waits for the thread to end; false when it is still running after ms.
    bool wait(int ms);
    bool isRunning() const;
    // Gives a thread that did not stop in time up: nobody waits for it again.
    void abandon();
    // Whether the thread was given up and still runs.
    bool abandoned() const;
    int exitCode() const;

private:
    std::string name_;
    bool abandoned_ = false;
    std::unique_ptr<MessageLoopThread> thread_;
};

// Ends the event loop of the calling thread with the given code: the main loop on the
// main thread, the thread's own loop on a MessageThread.
void PostQuitMessage(int code);

} // namespace vorlane
