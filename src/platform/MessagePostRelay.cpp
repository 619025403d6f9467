// Signal runs on the posting thread; the rest on the receiving thread.
#include "platform/MessagePostRelay.h"

#include <QObject>
#include <QSocketNotifier>
#include <cerrno>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vorlane {

MessagePostRelay::MessagePostRelay(WindowHandle target, uint32_t message)
    : target_(target), message_(message) {
    fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd_ < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { relay(); });
}

MessagePostRelay::~MessagePostRelay() {
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

void MessagePostRelay::Signal() {
    const uint64_t one = 1;
    ssize_t n;
    do {
        n = ::write(fd_, &one, sizeof one);
    } while (n < 0 && errno == EINTR);
}

void MessagePostRelay::relay() {
    uint64_t count = 0;
    if (::read(fd_, &count, sizeof count) != sizeof count)
        return;
    for (uint64_t i = 0; i < count; ++i)
        MessageWindow::PostTo(target_, message_, 0, 0);
}

} // namespace vorlane
