#pragma once

// The device object of the audio adapter (type codes 0xD100 to 0xD1FF): the idle routine, the
// "device ready" announcement, the device end.
//
// Thread contract: the device thread.

#include "device/LogicPhone.h"
#include "device/_RIVORAZURURU_RoutineManger.h"

namespace vorlane {

class RivorAzururu_Device : public LogicPhone,
                            public _RIVORAZURURU_RoutineManger<RivorAzururu_Device> {
public:
    // Pauses that let the device settle before it is announced and after it is stopped.
    static constexpr int StartPauseMs = 200;
    static constexpr int StopPauseMs = 300;

    ~RivorAzururu_Device() override;
    void Start() override;
    void Stop() override;
    void Cleanup() override;

protected:
    bool ProcessRoutineMessage(const Message& m, intptr_t& result) override;
};

} // namespace vorlane
