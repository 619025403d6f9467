#pragma once

#include "device/_RoutineManger.h"

namespace vorlane {

// The routine manager of the device objects; richer routines would hook in here.
template <class T> class _RIVORAZURURU_RoutineManger : public _RoutineManger<T> {};

} // namespace vorlane
