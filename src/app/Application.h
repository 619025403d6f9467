#pragma once

#include <QObject>
#include <memory>

namespace vorlane {

class CRivorAzururuFrame;
class CSoundCapture;
class DeviceThread;
class InstanceCommands;
class PowerBackend;
class TaskScheduler;
class SimulatedDeviceControl;
class UnixSignalWatcher;
class wSingleInstance;

// Brings the program up and down in order on the main thread.
// Start-up: single instance, settings, panel with its skin, device thread (catalogue,
// device supervision), capture thread, tray, autorun refresh, title, texts, scheduler.
// Exit (Close, Escape, the tray's Exit, SIGTERM, SIGINT): tray removed, a recording in
// progress finished and catalogued, device thread stopped (5 s at most), capture thread
// ended, panel destroyed, main loop left with 0.
// Once the panel is up, the commands of later starts (vorlane --stop, ...) reach it through
// InstanceCommands.
class Application : public QObject {
    Q_OBJECT
public:
    // The name of the single instance (its lock and socket), as the window class was.
    static constexpr const char* kInstanceKey = "tKestova.UnicodeClass";

    Application();
    ~Application() override;

    struct StartOptions {
        // Start recording once the panel is up and a device is found (vorlane --record).
        bool record = false;
        // The instance, when the caller has claimed it already.
        std::unique_ptr<wSingleInstance> claimed;
    };
    enum class StartResult { Running, HandedToRunningInstance, Failed };
    StartResult start();
    StartResult start(StartOptions options);
    // The exit in order; safe to call more than once.
    void exit();

    // Whether the exit had to leave a stuck thread running; the process must then end
    // without running destructors that thread may still use.
    bool leftThreadBehind() const;

    CRivorAzururuFrame* panel() const { return panel_.get(); }
    CSoundCapture* capture() const { return capture_.get(); }
    TaskScheduler* scheduler() const { return scheduler_.get(); }

private:
    void startScheduler();
    // SIGTERM and SIGINT take the same exit as the Close button.
    void onSignal();

    std::unique_ptr<wSingleInstance> instance_;
    std::unique_ptr<UnixSignalWatcher> signals_;
    std::unique_ptr<CSoundCapture> capture_;
    std::unique_ptr<CRivorAzururuFrame> panel_;
    std::unique_ptr<DeviceThread> deviceThread_;
    std::unique_ptr<PowerBackend> power_;
    std::unique_ptr<TaskScheduler> scheduler_;
    std::unique_ptr<SimulatedDeviceControl> simControl_;
    std::unique_ptr<InstanceCommands> commands_;
    bool exiting_ = false;
};

} // namespace vorlane
