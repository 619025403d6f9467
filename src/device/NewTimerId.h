#pragma once

#include <cstdint>

namespace vorlane {

// A timer id unique in the process and apart from the fixed timer ids (0x10000 and up),
// for timers that objects set on windows they share. Callable from any thread.
uint32_t NewTimerId();

} // namespace vorlane
