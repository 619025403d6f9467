#include "scheduler/TaskScheduler.h"

#include "config/ConfigManger.h"
#include "platform/Messages.h"
#include "scheduler/PowerBackend.h"
#include "scheduler/TaskTimes.h"
#include "ui/LanguageTexts.h"

#include <cstdio>

namespace vorlane {

TaskScheduler::TaskScheduler(ADOConnection& catalogue, ConfigManger& config, PowerBackend& power,
                             WindowHandle panel, SchedulerHooks hooks)
    : model_(catalogue), config_(config), power_(power), panel_(panel), hooks_(std::move(hooks)) {
    power_.SetSuspendHandlers([this] { OnPowerBroadcast(PowerEvent::Suspend); },
                              [this] { OnPowerBroadcast(PowerEvent::ResumeAutomatic); });
}

TaskScheduler::~TaskScheduler() {
    power_.SetSuspendHandlers({}, {});
    power_.BlockSleep(false);
    power_.WatchSuspend(false);
    MessageWindow::destroy();
}

bool TaskScheduler::Start() {
    if (!isWindow() && !create())
        return false;
    if (!power_.Available())
        std::fprintf(stderr, "Vorlane: sleep and power-off are not available (no systemd-logind "
                             "on the system bus); scheduled recordings still run\n");
    wakeAvailable_ = power_.CanWake();
    setTimer(timer::TaskRunner, 1000);
    return true;
}

bool TaskScheduler::processMessage(const Message& m, intptr_t& result) {
    result = 0;
    if (m.msg != msg::Timer)
        return false;
    if (m.wParam == timer::SchedulerCheck)
        SchedulerTick();
    else if (m.wParam == timer::TaskRunner)
        RunnerTick();
    else
        return false;
    return true;
}

// --- Scheduler mode --------------------------------------------------------------------

bool TaskScheduler::EnterSchedulerMode() {
    if (schedulerMode_ || (hooks_.recording && hooks_.recording()))
        return false;
    schedulerMode_ = true;
    taskArmed_ = false;
    taskImminent_ = false;
    // Asked anew: a capability or a udev rule may have come since.
    wakeAvailable_ = power_.CanWake();
    Recount();
    if (hooks_.stopThreads)
        hooks_.stopThreads();
    if (hooks_.showSchedulerMode)
        hooks_.showSchedulerMode(true);
    // Told once the panel waits hidden, so that it is told as in scheduler mode.
    if (!wakeAvailable_)
        NoticeWakeUnavailable();
    power_.WatchSuspend(true);
    UpdateSleepBlock();
    if (isWindow())
        setTimer(timer::SchedulerCheck, 1000);
    return true;
}

void TaskScheduler::OnPanelHiddenToTray() {
    if (model_.NextTaskSeconds() != TaskModel::kNoTask)
        EnterSchedulerMode();
}

void TaskScheduler::LeaveSchedulerMode() {
    if (schedulerMode_)
        LeaveMode();
}

void TaskScheduler::LeaveMode() {
    schedulerMode_ = false;
    taskArmed_ = false;
    if (isWindow())
        killTimer(timer::SchedulerCheck);
    SetImminent(false);
    power_.WatchSuspend(false);
    // The tag defaults first: the device thread reads the settings as it starts.
    if (hooks_.reloadTagDefaults)
        hooks_.reloadTagDefaults();
    if (hooks_.startThreads)
        hooks_.startThreads();
    if (hooks_.showSchedulerMode)
        hooks_.showSchedulerMode(false);
}

void TaskScheduler::SetImminent(bool on) {
    taskImminent_ = on;
    UpdateSleepBlock();
}

void TaskScheduler::UpdateSleepBlock() {
    // Refuses sleep and keeps the machine awake.
    power_.BlockSleep((taskImminent_ && schedulerMode_) || nearTaskWithoutWake_);
}

void TaskScheduler::RefuseSleepNearTaskWithoutWake() {
    bool near = false;
    // Without logind nothing can be refused, and the user heard so at start-up.
    if (!wakeAvailable_ && power_.Available()) {
        const int64_t lead = int64_t(config_.ResumeSuspendTime.load()) * 60;
        near = model_.NextTaskSeconds() < lead + kImminentSeconds;
    }
    if (near != nearTaskWithoutWake_) {
        nearTaskWithoutWake_ = near;
        UpdateSleepBlock();
    }
}

void TaskScheduler::NoticeWakeUnavailable() {
    if (toldWakeUnavailable_ || !power_.Available())
        return;
    toldWakeUnavailable_ = true;
    if (hooks_.wakeUnavailable)
        hooks_.wakeUnavailable();
    if (!hooks_.tellUser)
        return;
    hooks_.tellUser(LanguageTexts(config_, LanguageTexts::kMessage)
                        .string("Wake unavailable",
                                "Vorlane may not set the wake-up alarm, so a sleeping computer "
                                "is not woken for a task: it stays awake in the last minutes "
                                "before one, but if it sleeps earlier the task is missed. See "
                                "\"Waking the computer for a scheduled recording\" in the "
                                "README."));
}

void TaskScheduler::Recount() {
    const int64_t next = model_.NextTaskSeconds();
    const int64_t lead = int64_t(config_.ResumeSuspendTime.load()) * 60;
    if (next < lead) {
        secondsToTask_ = kNearestWakeSeconds;
        SetImminent(true);
    } else {
        secondsToTask_ = int32_t(next - lead);
        SetImminent(secondsToTask_ < kImminentSeconds);
    }
}

void TaskScheduler::SchedulerTick() {
    if (!schedulerMode_)
        return;
    if (secondsToTask_ != 0 && --secondsToTask_ < kImminentSeconds && !taskImminent_)
        SetImminent(true);
    const LocalTime now = Clock::current().localTime();
    if (!taskArmed_) {
        if (!model_.IsTaskDueAt(TaskTimes::NextMinute(now)))
            return;
        taskArmed_ = true;
    }
    if (now.second >= kFireSecond)
        Fire();
}

void TaskScheduler::Fire() {
    LeaveMode();
    MessageWindow::PostTo(panel_, msg::Command, cmd::ShowPanel);
}

bool TaskScheduler::OnPowerBroadcast(PowerEvent event) {
    if (!schedulerMode_)
        return false;
    switch (event) {
    case PowerEvent::QuerySuspend:
        return taskImminent_;
    case PowerEvent::Suspend: {
        const int seconds = taskImminent_ || secondsToTask_ < kNearestWakeSeconds
                                ? kShortWakeSeconds
                                : secondsToTask_;
        const auto now = TaskTimes::CalendarSeconds(Clock::current().localTime());
        wakeArmed_ = now && power_.ArmWake(*now + seconds);
        if (now && !wakeArmed_) {
            // Too late to refuse this sleep; the next ones near a task are refused.
            wakeAvailable_ = false;
            NoticeWakeUnavailable();
        }
        return false;
    }
    case PowerEvent::ResumeSuspend:
    case PowerEvent::ResumeAutomatic:
        if (!wakeArmed_)
            return false;
        power_.DisarmWake();
        wakeArmed_ = false;
        taskImminent_ = false;
        Recount();
        return false;
    }
    return false;
}

// --- After a scheduled recording -------------------------------------------------------

void TaskScheduler::OnScheduledRecordingEnded() {
    if (config_.RecordEndType == 1)
        ShutdownAfterRecording();
}

void TaskScheduler::ShutdownAfterRecording() {
    // A task that already ran keeps its row; only one still to come keeps the machine on.
    if (model_.AnyTaskAhead())
        return;
    if (!power_.PowerOff())
        std::fprintf(stderr, "Vorlane: the computer could not be powered off\n");
}

// --- Task runner -----------------------------------------------------------------------

void TaskScheduler::RunnerTick() {
    RefuseSleepNearTaskWithoutWake();
    const LocalTime now = Clock::current().localTime();
    const std::string minute = TaskTimes::MinuteText(now);
    // The stop goes out before any start of this minute, so that a task that begins where
    // the last one ends finds the recording finished when the panel handles its start.
    bool stopped = false;
    if (activeEnd_ && minute >= *activeEnd_) {
        activeEnd_.reset();
        MessageWindow::PostTo(panel_, msg::ScheduledRecording, 1);
        stopped = true;
    }
    // Only the current minute is looked at: a start that passed more than a minute ago
    // (the machine slept through it, the program was not running) is not made up for.
    // A minute is acted on once, also when it comes twice at the end of summer time.
    if (minute == lastStartMinute_)
        return;
    if (auto task = model_.TaskDueAt(now)) {
        lastStartMinute_ = minute;
        StartTask(*task, now, stopped);
    }
}

void TaskScheduler::StartTask(const Task& task, const LocalTime& start, bool afterStop) {
    // The user records: the task does not take over. The recording that the stop just
    // posted ends is the last task's, not the user's; and should the user have taken over
    // meanwhile, the panel ignores a start while a file is open.
    if (!afterStop && hooks_.recording && hooks_.recording())
        return;
    if (schedulerMode_)
        Fire();
    activeEnd_ =
        task.repeats ? TaskTimes::MinuteText(TaskModel::OccurrenceEnd(task, start)) : task.endTime;
    MessageWindow::PostTextTo(panel_, msg::ScheduledRecording, 0, task.fileName);
}

} // namespace vorlane
