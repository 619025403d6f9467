#pragma once

#include "scheduler/PowerBackend.h"

#include <QObject>
#include <memory>

namespace vorlane {

// Power through systemd-logind on the system bus: a "sleep:idle" block inhibitor while
// sleep must be refused (one near a task, one while a recording runs), a "sleep" delay
// inhibitor and PrepareForSleep to learn of a
// suspend (the lock is let go once the wake-up is armed, and taken again on resume), and
// PowerOff. The wake-up is an RTC alarm: a CLOCK_REALTIME_ALARM timer where the program
// holds CAP_WAKE_ALARM, otherwise /sys/class/rtc/rtc0/wakealarm where it may write.
//
// Thread contract: main thread.
class LogindPowerBackend : public QObject, public PowerBackend {
    Q_OBJECT
public:
    LogindPowerBackend();
    ~LogindPowerBackend() override;

    bool Available() const override { return available_; }
    void BlockSleep(bool block) override;
    void HoldForRecording(bool hold) override;
    bool CanWake() const override;
    void WatchSuspend(bool watch) override;
    bool ArmWake(int64_t epochSeconds) override;
    void DisarmWake() override;
    bool PowerOff() override;

private Q_SLOTS:
    void onPrepareForSleep(bool start);

private:
    int inhibit(const char* what, const char* why, const char* mode);
    static void closeFd(int& fd);

    bool available_ = false;
    bool watching_ = false;
    int blockFd_ = -1;
    int recordingFd_ = -1;
    int delayFd_ = -1;
    int alarmFd_ = -1;
    bool sysfsAlarm_ = false;
};

} // namespace vorlane
