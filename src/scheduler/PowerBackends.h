#pragma once

#include "scheduler/PowerBackend.h"

#include <memory>

namespace vorlane {

// The power back end of the running program: VORLANE_POWER=log prints the actions and
// carries none out; otherwise systemd-logind.
class PowerBackends {
public:
    static std::unique_ptr<PowerBackend> Create();
};

} // namespace vorlane
