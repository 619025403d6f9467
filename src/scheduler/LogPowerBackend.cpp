#include "scheduler/LogPowerBackend.h"

#include "scheduler/TaskTimes.h"

namespace vorlane {

void LogPowerBackend::line(const std::string& text) {
    std::fprintf(out_, "power: %s\n", text.c_str());
    std::fflush(out_);
}

void LogPowerBackend::BlockSleep(bool block) {
    if (block == blocked_)
        return;
    blocked_ = block;
    line(block ? "inhibit sleep" : "release sleep");
}

void LogPowerBackend::HoldForRecording(bool hold) {
    if (hold == held_)
        return;
    held_ = hold;
    line(hold ? "inhibit recording" : "release recording");
}

void LogPowerBackend::WatchSuspend(bool watch) {
    if (watch == watching_)
        return;
    watching_ = watch;
    line(watch ? "inhibit delay" : "release delay");
}

bool LogPowerBackend::ArmWake(int64_t epochSeconds) {
    const LocalTime t = TaskTimes::FromCalendarSeconds(epochSeconds);
    char seconds[8];
    std::snprintf(seconds, sizeof seconds, ":%.2d", t.second);
    line("wake-at " + TaskTimes::MinuteText(t) + seconds);
    return true;
}

void LogPowerBackend::DisarmWake() {
    line("wake-cancel");
}

bool LogPowerBackend::PowerOff() {
    line("power-off");
    return true;
}

} // namespace vorlane
