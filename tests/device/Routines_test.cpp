#include "DeviceTestSupport.h"
#include "PumpUntil.h"
#include "device/NowMs.h"
#include "device/RegisterWindowMessage.h"
#include "device/RivorAzururu_Device.h"
#include "device/Zododuzidi_Device.h"
#include "device/_RIVORAZURURU_IdleRoutine.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

using namespace vorlane;
using namespace vorlane::test;

namespace {
struct RecordingRelay : DeviceRelay {
    std::vector<std::pair<uint32_t, uintptr_t>> relayed;
    bool Relay(uint32_t msg, uintptr_t wParam, intptr_t) override {
        relayed.emplace_back(msg, wParam);
        return true;
    }
};

// A device object attached to its window, with an owner window and a relay.
struct Wired {
    LogWindow owner;
    TPUtilWindow window;
    RecordingRelay relay;
    template <class Device> void attach(Device& device) {
        owner.create();
        window.create();
        device.setOwnerWindow(owner.handle());
        device.setRelay(&relay);
        device.Attach(&window);
    }
};
} // namespace

TEST(Routines, StartAnnouncesTheDeviceAfterTheIdleRoutineEntered) {
    Wired w;
    Zododuzidi_Device device;
    device.setTypeCode(0xD301);
    w.attach(device);
    const double start = NowMs();
    device.Start();
    EXPECT_GE(NowMs() - start, 195.0);
    ASSERT_EQ(w.relay.relayed.size(), 1u);
    EXPECT_EQ(w.relay.relayed[0], (std::pair<uint32_t, uintptr_t>{msg::DeviceReady, 0xD301}));
    auto* idle =
        dynamic_cast<_RIVORAZURURU_IdleRoutine<IdleRoutineDevice>*>(device.currentRoutine());
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(idle->name(), "_RIVORAZURURU_IdleRoutine");
    EXPECT_NE(idle->tickTimerId(), 0u);
    EXPECT_EQ(idle->timers(), std::vector<uint32_t>{idle->tickTimerId()});
}

TEST(Routines, DispatchOrderOfTheDeviceWindow) {
    Wired w;
    auto* device = new RivorAzururu_Device;
    w.attach(*device);
    device->Start();
    auto* idle =
        dynamic_cast<_RIVORAZURURU_IdleRoutine<IdleRoutineDevice>*>(device->currentRoutine());
    ASSERT_NE(idle, nullptr);

    intptr_t r = -5;
    Message m{msg::RecordingState, 1, 0, nullptr};
    EXPECT_TRUE(device->ProcessWindowMessage(m, r)); // taken by the idle routine
    m.msg = msg::Timer;
    m.wParam = idle->tickTimerId();
    EXPECT_TRUE(device->ProcessWindowMessage(m, r));
    m.wParam = 0x99999;
    EXPECT_FALSE(device->ProcessWindowMessage(m, r)); // not a routine's timer
    m.msg = 1290;                                     // 1280-1302: nobody's
    EXPECT_FALSE(device->ProcessWindowMessage(m, r));

    // The device end: routines freed, the owner told with the object itself.
    w.window.post(msg::DeviceEnded, 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return !w.owner.of(msg::DeviceEnded).empty(); }, 1000));
    EXPECT_EQ(w.owner.of(msg::DeviceEnded)[0].wParam, reinterpret_cast<uintptr_t>(device));
    EXPECT_EQ(device->routineCount(), 0u);
    EXPECT_EQ(device->currentRoutine(), nullptr);
    m.msg = msg::RecordingState;
    EXPECT_FALSE(device->ProcessWindowMessage(m, r)); // no routine takes it any more
    delete device;
    EXPECT_EQ(w.window.subclassed(), nullptr);
}

TEST(Routines, IdleRoutineTicksUntilFreed) {
    Wired w;
    RivorAzururu_Device device;
    w.attach(device);
    auto routine = std::make_unique<_RIVORAZURURU_IdleRoutine<IdleRoutineDevice>>(&device);
    auto* idle = routine.get();
    device.Activate(std::move(routine));
    EXPECT_EQ(device.lastActivatedRoutine(), idle);
    const uint32_t tick = idle->tickTimerId();
    // Leave drops the tick; entering again gets a new one.
    idle->Leave();
    EXPECT_EQ(idle->tickTimerId(), 0u);
    EXPECT_TRUE(idle->timers().empty());
    idle->Enter();
    EXPECT_NE(idle->tickTimerId(), tick);
    device.FreeAll();
    EXPECT_EQ(device.routineCount(), 0u);
}

TEST(Routines, FreeRoutineMessageDeletesScheduledRoutine) {
    Wired w;
    RivorAzururu_Device device;
    w.attach(device);
    struct Probe : _RIVORAZURURU_BaseRoutine<IdleRoutineDevice> {
        bool* gone;
        Probe(RivorAzururu_Device* d, bool* g) : _RIVORAZURURU_BaseRoutine(d), gone(g) {}
        ~Probe() override { *gone = true; }
    };
    bool gone = false;
    auto routine = std::make_unique<Probe>(&device, &gone);
    auto* raw = routine.get();
    device.ScheduleFree(std::move(routine));
    EXPECT_EQ(device.freeRoutineMessage(), RegisterWindowMessage("_uMsgFreeRoutine_"));
    EXPECT_NE(device.freeRoutineMessage(), RegisterWindowMessage("TaskbarCreated"));
    intptr_t r = 0;
    Message m{device.freeRoutineMessage(), reinterpret_cast<uintptr_t>(raw), 0, nullptr};
    EXPECT_FALSE(gone);
    EXPECT_TRUE(device.ProcessWindowMessage(m, r));
    EXPECT_TRUE(gone);
}
