#pragma once

#include "platform/MessageWindow.h"

#include <cstdint>
#include <memory>

class QSocketNotifier;

namespace vorlane {

// Lets a thread that must neither lock nor allocate (the capture thread) post one fixed
// message: Signal() adds one to an eventfd counter; on the thread that made the relay a
// socket notifier reads the count and posts the message that many times.
//
// Thread contract: made and destroyed on the receiving thread (which runs an event
// loop); Signal from any thread while the relay exists.
class MessagePostRelay {
public:
    MessagePostRelay(WindowHandle target, uint32_t message);
    ~MessagePostRelay();
    MessagePostRelay(const MessagePostRelay&) = delete;
    MessagePostRelay& operator=(const MessagePostRelay&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // One write(): no lock, no allocation.
    void Signal();

private:
    void relay();

    WindowHandle target_;
    uint32_t message_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vorlane
