#pragma once

#include "scheduler/PowerBackend.h"

#include <optional>
#include <string>
#include <vector>

namespace vorlane {

// Records what the scheduler asked for, for tests; the tests deliver the suspend and the
// resume themselves.
class FakePowerBackend : public PowerBackend {
public:
    bool available = true;
    bool sleepBlocked = false;
    bool heldForRecording = false;
    bool wakeAvailable = true; // ArmWake fails without it
    bool watchingSuspend = false;
    std::optional<int64_t> wakeAt; // armed wake-up, calendar seconds
    int powerOffs = 0;
    std::vector<std::string> calls;

    bool Available() const override { return available; }
    void BlockSleep(bool block) override;
    void HoldForRecording(bool hold) override;
    bool CanWake() const override { return wakeAvailable; }
    void WatchSuspend(bool watch) override;
    bool ArmWake(int64_t epochSeconds) override;
    void DisarmWake() override;
    bool PowerOff() override;

    // The system is about to suspend, or has resumed.
    void Suspend();
    void Resume();
};

} // namespace vorlane
