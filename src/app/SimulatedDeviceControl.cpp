// Main thread only.
#include "app/SimulatedDeviceControl.h"

#include "audio/FileCaptureSource.h"
#include "device/HidBackend.h"
#include "device/SimulatedHidBackend.h"
#include "platform/Messages.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane {

SimulatedDeviceControl::SimulatedDeviceControl(const std::string& fifoPath, WindowHandle panel)
    : panel_(panel) {
    if (::mkfifo(fifoPath.c_str(), 0600) < 0 && errno != EEXIST) {
        std::fprintf(stderr, "Vorlane: cannot make the control FIFO %s: %s\n", fifoPath.c_str(),
                     std::strerror(errno));
        return;
    }
    readFd_ = ::open(fifoPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (readFd_ < 0) {
        std::fprintf(stderr, "Vorlane: cannot open the control FIFO %s: %s\n", fifoPath.c_str(),
                     std::strerror(errno));
        return;
    }
    keepFd_ = ::open(fifoPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readLines(); });
}

SimulatedDeviceControl::~SimulatedDeviceControl() {
    notifier_.reset();
    if (readFd_ >= 0)
        ::close(readFd_);
    if (keepFd_ >= 0)
        ::close(keepFd_);
}

std::unique_ptr<SimulatedDeviceControl>
SimulatedDeviceControl::FromEnvironment(WindowHandle panel) {
    const char* sim = std::getenv("VORLANE_SIM_DEVICE");
    const char* fifo = std::getenv("VORLANE_SIM_CONTROL");
    if (!sim || !*sim || !fifo || !*fifo)
        return nullptr;
    auto control = std::make_unique<SimulatedDeviceControl>(fifo, panel);
    if (!control->isOpen())
        return nullptr;
    return control;
}

void SimulatedDeviceControl::readLines() {
    char buffer[256];
    for (;;) {
        ssize_t n = ::read(readFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending_.append(buffer, static_cast<size_t>(n));
    }
    size_t end;
    while ((end = pending_.find('\n')) != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && !apply(line))
            std::fprintf(stderr, "Vorlane: unknown control line \"%s\"\n", line.c_str());
    }
    // A line without an end that keeps growing is not a command.
    if (pending_.size() > 1024)
        pending_.clear();
}

bool SimulatedDeviceControl::apply(const std::string& line) {
    if (line == "unplug" || line == "plug") {
        setPlugged(line == "plug");
        return true;
    }
    uint32_t command = 0;
    if (line == "record")
        command = cmd::RecordStart;
    else if (line == "stop")
        command = cmd::RecordStop;
    else if (line == "divide")
        command = cmd::RecordDivide;
    else
        return false;
    MessageWindow::PostTo(panel_, msg::Command, command);
    return true;
}

// The sound input goes first on unplug, as with a real cable, and comes back first on plug,
// so that the device's arrival finds it.
void SimulatedDeviceControl::setPlugged(bool plugged) {
    auto* backend = dynamic_cast<SimulatedHidBackend*>(&HidBackend::current());
    FileCaptureSource::SetPlugged(plugged);
    if (!backend)
        return;
    for (const auto& device : backend->devices()) {
        if (plugged)
            device->plug();
        else
            device->unplug();
    }
}

} // namespace vorlane
