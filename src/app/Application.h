#pragma once

#include <QObject>
#include <memory>

namespace vorlane {

class DeviceThread;
class PlainMainWindow;
class UnixSignalWatcher;

// Brings the program up and down in order on the main thread: settings, device thread
// (with the catalogue), main window; at exit the device thread is stopped before the
// window goes. SIGTERM and SIGINT take the same exit path as the window's Close.
class Application : public QObject {
    Q_OBJECT
public:
    Application();
    ~Application() override;

    // Start-up; false when the program must end at once (the user has been told).
    bool start();
    // The exit in order; safe to call more than once.
    void exit();

private:
    std::unique_ptr<DeviceThread> deviceThread_;
    std::unique_ptr<PlainMainWindow> window_;
    std::unique_ptr<UnixSignalWatcher> signals_;
    bool exiting_ = false;
};

} // namespace vorlane
