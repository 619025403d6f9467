#include "scheduler/PowerBackends.h"

#include "scheduler/LogPowerBackend.h"
#include "scheduler/LogindPowerBackend.h"

#include <cstdlib>
#include <cstring>

namespace vorlane {

std::unique_ptr<PowerBackend> PowerBackends::Create() {
    const char* choice = std::getenv("VORLANE_POWER");
    if (choice && std::strcmp(choice, "log") == 0)
        return std::make_unique<LogPowerBackend>();
    return std::make_unique<LogindPowerBackend>();
}

} // namespace vorlane
