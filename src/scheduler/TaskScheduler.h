#pragma once

#include "platform/MessageWindow.h"
#include "scheduler/TaskModel.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vorlane {

class ConfigManger;
class PowerBackend;

// What the scheduler needs from the rest of the program.
struct SchedulerHooks {
    // The device thread, then the capture thread.
    std::function<void()> stopThreads;
    std::function<void()> startThreads;
    // The panel hides in scheduler mode and shows its scheduler tray state.
    std::function<void(bool on)> showSchedulerMode;
    // The tag defaults of the settings file, read again.
    std::function<void()> reloadTagDefaults;
    // A recording runs (by hand or by a task).
    std::function<bool()> recording;
    // Shows a note to the user (on the panel; it stays up while the panel waits hidden).
    std::function<void(const std::string& text)> tellUser;
    // No wake-up can be armed; called once, beside the note.
    std::function<void()> wakeUnavailable;
};

// The scheduler on the main thread:
// - the task runner, whenever the program runs: at a task's start minute it posts 1056
//   (start, with the task's FileName) to the panel, and at its end 1056 (stop); in one
//   tick the stop comes first, so back-to-back tasks both record. A start that falls
//   while the user records is skipped; a start that passed more than a minute
//   ago (the machine slept, the program was not running) is not made up for.
// - scheduler mode: the panel waits hidden with its device and capture threads stopped;
//   the check timer leaves the mode ten seconds before a task's minute.
// - power: sleep is refused and the machine kept awake in the last 30 seconds before the
//   wake moment (the lead time before the next task); a suspend arms the wake-up; after a
//   scheduled recording the machine may be powered off. Where no wake-up can be armed the
//   user is told once, and sleep is refused from that moment to the task's start in any
//   mode, since a machine asleep then would miss the task.
//
// Every time comes from Clock::current(); the ticks are public so tests run them directly.
//
// Thread contract: main thread only.
class TaskScheduler : public MessageWindow {
public:
    static constexpr int kFireSecond = 50;
    static constexpr int kImminentSeconds = 30;
    static constexpr int kShortWakeSeconds = 20;
    static constexpr int kNearestWakeSeconds = 5;

    enum class PowerEvent {
        QuerySuspend = 0,
        Suspend = 4,
        ResumeSuspend = 7,
        ResumeAutomatic = 18
    };

    TaskScheduler(ADOConnection& catalogue, ConfigManger& config, PowerBackend& power,
                  WindowHandle panel, SchedulerHooks hooks);
    ~TaskScheduler() override;

    // Creates the window on the calling thread and starts the task runner.
    bool Start();

    // Enters scheduler mode; false while a recording runs (or already in the mode).
    bool EnterSchedulerMode();
    // The panel was hidden to the tray: scheduler mode when a task lies ahead and nothing
    // records.
    void OnPanelHiddenToTray();
    // Leaves scheduler mode (the open command); the panel then shows itself.
    void LeaveSchedulerMode();
    // The check timer, once a second in scheduler mode.
    void SchedulerTick();
    // The task runner, once a second.
    void RunnerTick();
    // Answers true when the event (a suspend request) is refused.
    bool OnPowerBroadcast(PowerEvent event);
    // After a scheduled recording ended: "Record End Type" 1 powers off.
    void OnScheduledRecordingEnded();
    // Powers off unless a task is left to start.
    void ShutdownAfterRecording();

    const TaskModel& model() const { return model_; }
    bool schedulerMode() const { return schedulerMode_; }
    bool taskImminent() const { return taskImminent_; }
    bool taskArmed() const { return taskArmed_; }
    int32_t secondsToTask() const { return secondsToTask_; }
    bool wakeArmed() const { return wakeArmed_; }
    // Whether a wake-up could be armed, as last found.
    bool wakeAvailable() const { return wakeAvailable_; }

protected:
    bool processMessage(const Message& m, intptr_t& result) override;

private:
    // secondsToTask and taskImminent from the next task and the lead time.
    void Recount();
    void Fire();
    void LeaveMode();
    void SetImminent(bool on);
    // One lock for both reasons to refuse sleep: imminent in scheduler mode, or near a task
    // that no wake-up would bring the machine back for.
    void UpdateSleepBlock();
    void RefuseSleepNearTaskWithoutWake();
    // Where the wake-up cannot be armed: tells the user, once.
    void NoticeWakeUnavailable();
    void StartTask(const Task& task, const LocalTime& start, bool afterStop);

    TaskModel model_;
    ConfigManger& config_;
    PowerBackend& power_;
    WindowHandle panel_;
    SchedulerHooks hooks_;

    bool schedulerMode_ = false;
    bool taskImminent_ = false;
    bool taskArmed_ = false;
    int32_t secondsToTask_ = 0;
    bool wakeArmed_ = false;
    bool wakeAvailable_ = true;
    bool toldWakeUnavailable_ = false;
    bool nearTaskWithoutWake_ = false;

    // Runner: the last minute a task was due in, and the end of the task it started.
    std::string lastStartMinute_;
    std::optional<std::string> activeEnd_;
};

} // namespace vorlane
