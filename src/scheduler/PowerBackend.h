#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vorlane {

// What the program asks of the system's power management: refuse sleep and keep the
// machine awake near a task and while a recording runs, learn of a coming suspend and of
// the resume, wake the machine at a set time, and power it off.
//
// Thread contract: the main thread. Notices are delivered there too.
class PowerBackend {
public:
    virtual ~PowerBackend() = default;

    // False when the system offers no power management to this program (no logind).
    virtual bool Available() const = 0;
    // While held, sleep and idle actions are refused. Idempotent.
    virtual void BlockSleep(bool block) = 0;
    // The same for a recording in progress, held apart from BlockSleep (either keeps the
    // machine awake). Idempotent.
    virtual void HoldForRecording(bool hold) = 0;
    // While watching, a suspend waits until the handler given here has run (it arms the
    // wake-up) and the resume is reported; both run on the main thread.
    virtual void WatchSuspend(bool watch) = 0;
    void SetSuspendHandlers(std::function<void()> onSuspend, std::function<void()> onResume) {
        onSuspend_ = std::move(onSuspend);
        onResume_ = std::move(onResume);
    }
    // Whether ArmWake can succeed: the program may set a wake-up alarm.
    virtual bool CanWake() const = 0;
    // Wakes the machine from sleep at the calendar time `epochSeconds`; false when the
    // wake-up could not be armed.
    virtual bool ArmWake(int64_t epochSeconds) = 0;
    virtual void DisarmWake() = 0;
    // Powers the machine off; false when that was refused.
    virtual bool PowerOff() = 0;

protected:
    std::function<void()> onSuspend_;
    std::function<void()> onResume_;
};

} // namespace vorlane
