#include "device/IdleRoutineDevice.h"

#include "device/_RIVORAZURURU_IdleRoutine.h"
#include "platform/Messages.h"

#include <chrono>
#include <thread>

namespace vorlane {

IdleRoutineDevice::~IdleRoutineDevice() {
    FreeAll(); // kills the routines' timers while the object is whole
    releaseWindow();
}

void IdleRoutineDevice::Start() {
    Activate(std::make_unique<_RIVORAZURURU_IdleRoutine<IdleRoutineDevice>>(this));
    std::this_thread::sleep_for(std::chrono::milliseconds(StartPauseMs));
    relay(msg::DeviceReady, typeCode(), 0);
}

void IdleRoutineDevice::Stop() {
    FreeAll();
    std::this_thread::sleep_for(std::chrono::milliseconds(StopPauseMs));
}

void IdleRoutineDevice::Cleanup() {
    FreeAll();
}

bool IdleRoutineDevice::ProcessRoutineMessage(const Message& m, intptr_t& result) {
    return ProcessRoutineMessages(m, result);
}

} // namespace vorlane
