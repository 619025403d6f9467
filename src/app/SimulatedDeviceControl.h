#pragma once

#include "platform/MessageWindow.h"

#include <QObject>
#include <memory>
#include <string>

class QSocketNotifier;

namespace vorlane {

// Lets demos and end-to-end tests handle the simulated device from outside: the lines
// written to a FIFO are "unplug" and "plug" (the HID device and its sound input go away
// and come back), and "record", "stop" and "divide" (the record buttons).
//
// Thread contract: main thread (a socket notifier on the FIFO).
class SimulatedDeviceControl : public QObject {
public:
    // Opens the FIFO (made when missing); false with a message on stderr when it cannot.
    SimulatedDeviceControl(const std::string& fifoPath, WindowHandle panel);
    ~SimulatedDeviceControl() override;

    bool isOpen() const { return readFd_ >= 0; }
    // Runs one control line; false when it is not one of the commands.
    bool apply(const std::string& line);

    // The FIFO named by VORLANE_SIM_CONTROL when VORLANE_SIM_DEVICE is set, else nullptr.
    static std::unique_ptr<SimulatedDeviceControl> FromEnvironment(WindowHandle panel);

private:
    void readLines();
    void setPlugged(bool plugged);

    WindowHandle panel_;
    int readFd_ = -1;
    int keepFd_ = -1; // our own writer, so that the FIFO never reads as ended
    std::string pending_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vorlane
