#pragma once

#include "scheduler/PowerBackend.h"

#include <cstdio>

namespace vorlane {

// Carries nothing out: prints each action as one line beginning "power: " (for demos and
// end-to-end tests). Selected with VORLANE_POWER=log.
class LogPowerBackend : public PowerBackend {
public:
    explicit LogPowerBackend(std::FILE* out = stdout) : out_(out) {}

    bool Available() const override { return true; }
    void BlockSleep(bool block) override;
    void HoldForRecording(bool hold) override;
    bool CanWake() const override { return true; }
    void WatchSuspend(bool watch) override;
    bool ArmWake(int64_t epochSeconds) override;
    void DisarmWake() override;
    bool PowerOff() override;

private:
    void line(const std::string& text);

    std::FILE* out_;
    bool blocked_ = false;
    bool held_ = false;
    bool watching_ = false;
};

} // namespace vorlane
