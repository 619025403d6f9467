#include "scheduler/FakePowerBackend.h"

namespace vorlane {

void FakePowerBackend::BlockSleep(bool block) {
    if (block != sleepBlocked)
        calls.push_back(block ? "inhibit" : "release");
    sleepBlocked = block;
}

void FakePowerBackend::HoldForRecording(bool hold) {
    if (hold != heldForRecording)
        calls.push_back(hold ? "inhibit recording" : "release recording");
    heldForRecording = hold;
}

void FakePowerBackend::WatchSuspend(bool watch) {
    watchingSuspend = watch;
}

bool FakePowerBackend::ArmWake(int64_t epochSeconds) {
    if (!wakeAvailable)
        return false;
    calls.push_back("wake-at");
    wakeAt = epochSeconds;
    return true;
}

void FakePowerBackend::DisarmWake() {
    calls.push_back("wake-cancel");
    wakeAt.reset();
}

bool FakePowerBackend::PowerOff() {
    calls.push_back("power-off");
    ++powerOffs;
    return true;
}

void FakePowerBackend::Suspend() {
    if (watchingSuspend && onSuspend_)
        onSuspend_();
}

void FakePowerBackend::Resume() {
    if (watchingSuspend && onResume_)
        onResume_();
}

} // namespace vorlane
