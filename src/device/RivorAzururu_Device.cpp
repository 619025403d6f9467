#include "device/RivorAzururu_Device.h"

#include "device/_RIVORAZURURU_IdleRoutine.h"
#include "platform/Messages.h"

#include <chrono>
#include <thread>

namespace vorlane {

RivorAzururu_Device::~RivorAzururu_Device() {
    FreeAll(); // kills the routines' timers while the object is whole
    releaseWindow();
}

void RivorAzururu_Device::Start() {
    Activate(std::make_unique<_RIVORAZURURU_IdleRoutine<RivorAzururu_Device>>(this));
    std::this_thread::sleep_for(std::chrono::milliseconds(StartPauseMs));
    relay(msg::DeviceReady, typeCode(), 0);
}

void RivorAzururu_Device::Stop() {
    FreeAll();
    std::this_thread::sleep_for(std::chrono::milliseconds(StopPauseMs));
}

void RivorAzururu_Device::Cleanup() {
    FreeAll();
}

bool RivorAzururu_Device::ProcessRoutineMessage(const Message& m, intptr_t& result) {
    return ProcessRoutineMessages(m, result);
}

} // namespace vorlane
