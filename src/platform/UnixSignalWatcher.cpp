#include "platform/UnixSignalWatcher.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vorlane {

namespace {
int g_fds[2] = {-1, -1};

void onSignal(int sig) {
    unsigned char n = static_cast<unsigned char>(sig);
    ssize_t ignored = ::write(g_fds[0], &n, 1);
    (void)ignored;
}
} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signals, QObject* parent)
    : QObject(parent), signals_(signals) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0)
        return;
    notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UnixSignalWatcher::readSignal);
    for (int sig : signals) {
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(sig, &sa, nullptr);
    }
}

UnixSignalWatcher::~UnixSignalWatcher() {
    for (int sig : signals_)
        ::signal(sig, SIG_DFL);
    if (g_fds[0] >= 0) {
        ::close(g_fds[0]);
        ::close(g_fds[1]);
        g_fds[0] = g_fds[1] = -1;
    }
}

void UnixSignalWatcher::readSignal() {
    unsigned char n = 0;
    if (::read(g_fds[1], &n, 1) == 1)
        Q_EMIT signalReceived(int(n));
}

} // namespace vorlane
