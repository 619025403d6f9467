#include "DeviceTestSupport.h"
#include "PumpUntil.h"
#include "device/DeviceManagerCall.h"
#include "device/HidCommands.h"
#include "platform/MessageThread.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vorlane;
using namespace vorlane::test;
using Kind = SimulatedHidDevice::Kind;

namespace {

constexpr uint32_t kAll = DeviceManger::AllKinds;

class DeviceMangerTest : public ::testing::Test, protected SimulatedHidRig {
protected:
    void SetUp() override { owner.create(); }
    void TearDown() override {
        DeviceManagerCall(0, devmsg::ManagerClose, 0, 0);
        table().setLockWaitMs(wMutex::LockWaitMs);
    }
    intptr_t open() { return DeviceManagerCall(0, devmsg::ManagerOpen, owner.handle(), kAll); }
    uint16_t typeOf(intptr_t h) {
        return uint16_t(DeviceManagerCall(uint32_t(h), devmsg::TypeCode, 0, 0));
    }
    static _SystemOpenedUSBHid& table() { return DeviceManger::instance().table(); }
    int liveRecords() {
        return underLock(table(), [] { return table().LiveRecords(); });
    }

    LogWindow owner;
};

} // namespace

TEST_F(DeviceMangerTest, EachModelIsAnnouncedWithItsTypeCode) {
    struct Case {
        Kind kind;
        uint16_t code;
    };
    for (auto c : {Case{Kind::Adapter, 0xD1C3}, Case{Kind::UsbPnp, 0xD201}, Case{Kind::Sss, 0xD301},
                   Case{Kind::Controller, 0xD401}}) {
        auto d = backend.add(c.kind);
        d->setTypeCode(0xD1C3);
        intptr_t h = open();
        ASSERT_NE(h, 0);
        EXPECT_EQ(typeOf(h), c.code);
        EXPECT_EQ(DeviceManagerCall(uint32_t(h), devmsg::ManagerClose, 0, 0), 1);
        EXPECT_EQ(typeOf(h), 0); // closed: forwarded operations answer 0
        backend.remove(d);
    }
    EXPECT_EQ(liveRecords(), 0);
}

TEST_F(DeviceMangerTest, RefusedDevicesLeaveNothingBehind) {
    auto notQuite = backend.add(Kind::Adapter, "sim:a");
    notQuite->setProduct("QX USB Audio Adapter");
    EXPECT_EQ(open(), 0);
    EXPECT_TRUE(notQuite->writtenReports().empty());
    backend.remove(notQuite);

    // An adapter answering 0xD200 is no adapter; the next kind wants another product.
    auto wrongCode = backend.add(Kind::Adapter, "sim:b");
    wrongCode->setTypeCode(0xD200);
    EXPECT_EQ(open(), 0);
    ASSERT_EQ(wrongCode->writtenReports().size(), 1u);
    EXPECT_EQ(wrongCode->writtenReports()[0][1], hidcmd::GetType);
    EXPECT_EQ(liveRecords(), 0);
    EXPECT_EQ(wrongCode.use_count(), 2); // backend and test: the device was closed
    backend.remove(wrongCode);

    // The same answer from a device that calls itself "USB PnP Audio Device" on the
    // adapter's ids: refused as adapter, taken by the next model.
    auto pnp = backend.add(Kind::Adapter, "sim:c");
    pnp->setTypeCode(0xD200);
    pnp->setProduct("USB PnP Audio Device");
    intptr_t h = open();
    ASSERT_NE(h, 0);
    EXPECT_EQ(typeOf(h), 0xD201);
}

TEST_F(DeviceMangerTest, EarlierIdPairHidesLaterOnes) {
    auto later = backend.add(Kind::Sss);
    auto first = backend.add(Kind::Adapter);
    intptr_t h = open();
    ASSERT_NE(h, 0);
    EXPECT_EQ(typeOf(h), 0xD101);
    // The adapter is taken; the SSS device is not even considered.
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(backend.openCount(later->path()), 0);
}

// A pair whose devices all fail to open (no udev rule, a product no model takes) does not hide
// a later pair; the one that may not be opened is still named. A pair whose device is held
// still hides the later ones.
TEST_F(DeviceMangerTest, APairThatCannotBeOpenedDoesNotHideTheNextOne) {
    auto denied = backend.add(Kind::Adapter, "/dev/hidraw3");
    denied->setAccessible(false);
    auto headset = backend.add(Kind::UsbPnp, "sim:headset");
    headset->setProduct("USB Headset");
    auto sss = backend.add(Kind::Sss);
    intptr_t h = open();
    ASSERT_NE(h, 0);
    EXPECT_EQ(typeOf(h), 0xD301);
    EXPECT_EQ(DeviceManger::instance().InaccessiblePath(), "/dev/hidraw3");
    EXPECT_EQ(backend.openCount(headset->path()), 1);

    auto controller = backend.add(Kind::Controller);
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(backend.openCount(controller->path()), 0);
    EXPECT_EQ(liveRecords(), 1);
}

// Two devices of one pair open in turn; a stop closes every device and a start comes back.
TEST_F(DeviceMangerTest, TwoDevicesOfOnePairOpenInTurnAndAStopClosesBoth) {
    auto a = backend.add(Kind::UsbPnp, "sim:pnp-1");
    auto b = backend.add(Kind::UsbPnp, "sim:pnp-2");
    intptr_t h1 = open();
    intptr_t h2 = open();
    ASSERT_NE(h1, 0);
    ASSERT_NE(h2, 0);
    EXPECT_NE(h1, h2);
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(backend.openCount("sim:pnp-1"), 1);
    EXPECT_EQ(backend.openCount("sim:pnp-2"), 1);
    EXPECT_EQ(underLock(table(), [] { return table().IsOpened("sim:pnp-1"); }), uint32_t(h1));
    EXPECT_EQ(underLock(table(), [] { return table().IsOpened("sim:pnp-2"); }), uint32_t(h2));
    EXPECT_EQ(liveRecords(), 2);
    EXPECT_EQ(DeviceManagerCall(0, devmsg::ManagerClose, 0, 0), 1);
    EXPECT_FALSE(DeviceManger::instance().isRunning());
    EXPECT_EQ(liveRecords(), 0);
    EXPECT_EQ(a.use_count(), 2);
    EXPECT_EQ(b.use_count(), 2);
    // Stopping a stopped manager is harmless.
    EXPECT_EQ(DeviceManagerCall(0, devmsg::ManagerClose, 0, 0), 1);

    EXPECT_EQ(DeviceManagerCall(0, devmsg::ManagerOpen, 0, 0), 1);
    EXPECT_TRUE(DeviceManger::instance().isRunning());
    intptr_t h = open();
    EXPECT_NE(h, 0);
    EXPECT_EQ(typeOf(h), 0xD201);
}

TEST_F(DeviceMangerTest, UnpluggedDeviceEndsAndItsOwnerHearsOfIt) {
    auto d = backend.add(Kind::Adapter);
    intptr_t h = open();
    ASSERT_NE(h, 0);
    d->unplug();
    ASSERT_TRUE(pumpUntil([&] { return !owner.of(msg::DeviceEnded).empty(); }, 2000));
    EXPECT_EQ(owner.of(msg::DeviceEnded)[0].wParam, 0u);
    EXPECT_EQ(typeOf(h), 0);
    // The manager closes the model's window and deletes it.
    ASSERT_TRUE(pumpUntil([&] { return !MessageWindow::IsLiveWindow(WindowHandle(h)); }, 2000));
    EXPECT_EQ(liveRecords(), 0);
    ASSERT_TRUE(pumpUntil([&] { return d.use_count() == 2; }, 2000));
}

// The table's holder hangs while the device goes: the owner still hears of the end, and the
// record is given up once the table can be had again, so the device is found when it is back.
TEST_F(DeviceMangerTest, ALostDeviceEndsWhileTheTableIsHeldAndItsRecordGoesLater) {
    auto d = backend.add(Kind::Adapter);
    intptr_t h = open();
    ASSERT_NE(h, 0);
    table().setLockWaitMs(200);
    pid_t child =
        otherProcessLocks(tableName.name(), true, [](_SystemOpenedUSBHid&) { return true; });
    ASSERT_GT(child, 0);
    d->unplug();
    EXPECT_TRUE(pumpUntil([&] { return !owner.of(msg::DeviceEnded).empty(); }, 3000));
    EXPECT_TRUE(pumpUntil([&] { return !MessageWindow::IsLiveWindow(WindowHandle(h)); }, 3000));

    // The holder dies; its lock is taken over and the record left behind is given up.
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    d->plug();
    intptr_t again = open();
    EXPECT_NE(again, 0);
    EXPECT_EQ(typeOf(again), 0xD101);
    EXPECT_EQ(underLock(table(), [&] { return table().IsOwnRecord(uint32_t(h)); }), false);
    EXPECT_EQ(liveRecords(), 1);
}

TEST_F(DeviceMangerTest, FullTableRefusesTheOpenAndClosesTheDevice) {
    auto& t = DeviceManger::instance().table();
    ASSERT_EQ(DeviceManagerCall(0, devmsg::ManagerOpen, 0, 0), 1);
    t.Lock();
    for (uint32_t i = 0; i < uint32_t(_SystemOpenedUSBHid::RecordCount); ++i)
        ASSERT_TRUE(t.Register(0x7000 + i, "sim:other-" + std::to_string(i)));
    t.Unlock();
    auto d = backend.add(Kind::Adapter);
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(backend.openCount(d->path()), 1);
    EXPECT_EQ(d.use_count(), 2); // not left open
    EXPECT_NE(DeviceManger::instance().managerWindow(), 0u);
    // One record freed: the device opens.
    underLock(t, [&] { return t.Unregister(0x7000); });
    intptr_t h = open();
    ASSERT_NE(h, 0);
    EXPECT_EQ(typeOf(h), 0xD101);
}

TEST_F(DeviceMangerTest, ForeignHandlesAreNotForwarded) {
    auto d = backend.add(Kind::Adapter);
    intptr_t h = open();
    ASSERT_NE(h, 0);
    EXPECT_EQ(typeOf(h + 1000), 0);
    EXPECT_EQ(typeOf(0), 0);
    EXPECT_EQ(DeviceManagerCall(uint32_t(h + 1000), devmsg::ManagerClose, 0, 0), 1);
    EXPECT_EQ(typeOf(h), 0xD101); // untouched
}

TEST_F(DeviceMangerTest, OnlyOperationsWithCallerBuffersOutwaitTheForwardTimeout) {
    ASSERT_EQ(DeviceManagerCall(0, devmsg::ManagerOpen, 0, 0), 1);
    MessageThread thread("slow device");
    std::unique_ptr<LogWindow> window;
    ASSERT_TRUE(thread.start(
        [&] {
            // A registered device window that answers every device message with 7, slowly.
            window = std::make_unique<LogWindow>();
            window->handler = [](const Message& m, intptr_t& result) {
                if (m.msg < 1303 || m.msg > 1373)
                    return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                result = 7;
                return true;
            };
            return window->create();
        },
        [&] { window.reset(); }));
    auto& table = DeviceManger::instance().table();
    ASSERT_TRUE(table.Lock());
    ASSERT_TRUE(table.Register(window->handle(), "/dev/slow"));
    table.Unlock();
    DeviceManger::instance().setForwardTimeoutMs(50);

    std::vector<uint32_t> ops(std::begin(devmsg::CallerBufferMessages),
                              std::end(devmsg::CallerBufferMessages));
    ops.insert(ops.end(), {devmsg::TypeCode, devmsg::Nothing, devmsg::SetLed});
    for (uint32_t op : ops)
        EXPECT_EQ(DeviceManagerCall(window->handle(), op, 0, 0),
                  devmsg::CarriesCallerBuffer(op) ? 7 : 0)
            << op;

    DeviceManger::instance().setForwardTimeoutMs(DeviceManger::ForwardTimeoutMs);
    thread.quit();
    EXPECT_TRUE(thread.wait(5000));
}

TEST_F(DeviceMangerTest, AnotherProcessNeverGetsTheSameDevice) {
    auto d = backend.add(Kind::Adapter);
    const std::string path = d->path();
    pid_t child = otherProcessLocks(tableName.name(), true, [&](_SystemOpenedUSBHid& t) {
        bool ok = t.Register(0x4242, path);
        t.Unlock();
        return ok;
    });
    ASSERT_GT(child, 0);
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(backend.openCount(path), 0);

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}
