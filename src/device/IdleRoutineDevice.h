#pragma once

// A device object that runs the idle routine: it announces its device ("device ready"
// with the type code) once the device has settled, and frees its routines when it is
// stopped or its device ends.
//
// Thread contract: the device thread.

#include "device/LogicPhone.h"
#include "device/_RIVORAZURURU_RoutineManger.h"

namespace vorlane {

class IdleRoutineDevice : public LogicPhone, public _RIVORAZURURU_RoutineManger<IdleRoutineDevice> {
public:
    // Pauses that let the device settle before it is announced and after it is stopped.
    static constexpr int StartPauseMs = 200;
    static constexpr int StopPauseMs = 300;

    ~IdleRoutineDevice() override;
    void Start() override;
    void Stop() override;
    void Cleanup() override;

protected:
    bool ProcessRoutineMessage(const Message& m, intptr_t& result) override;
};

} // namespace vorlane
