#include "device/Zododuzidi_Device.h"

#include "device/_RIVORAZURURU_IdleRoutine.h"
#include "platform/Messages.h"

#include <chrono>
#include <thread>

namespace vorlane {

Zododuzidi_Device::~Zododuzidi_Device() {
    FreeAll(); // kills the routines' timers while the object is whole
    releaseWindow();
}

void Zododuzidi_Device::Start() {
    Activate(std::make_unique<_RIVORAZURURU_IdleRoutine<Zododuzidi_Device>>(this));
    std::this_thread::sleep_for(std::chrono::milliseconds(StartPauseMs));
    relay(msg::DeviceReady, typeCode(), 0);
}

void Zododuzidi_Device::Stop() {
    FreeAll();
    std::this_thread::sleep_for(std::chrono::milliseconds(StopPauseMs));
}

void Zododuzidi_Device::Cleanup() {
    FreeAll();
}

bool Zododuzidi_Device::ProcessRoutineMessage(const Message& m, intptr_t& result) {
    return ProcessRoutineMessages(m, result);
}

} // namespace vorlane
