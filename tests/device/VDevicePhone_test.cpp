#include "DeviceTestSupport.h"
#include "PumpUntil.h"
#include "device/Device_RivorAzururu.h"
#include "device/Device_SSSAudio.h"
#include "device/Device_Zododuzidi.h"
#include "device/HidCommands.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vorlane;
using namespace vorlane::test;
using Comm = USBTEL_COMM_T<16>;

namespace {

// A model opened on a simulated device on this thread, registered in a private table
// with a logging window standing in for the manager. `configure` changes the device first.
template <class Model> struct Opened {
    SimulatedHidBackend backend;
    std::shared_ptr<SimulatedHidDevice> device;
    PrivateTableName tableName;
    _SystemOpenedUSBHid table;
    LogWindow manager;
    LogWindow owner;
    TPUtilWindow window;
    Model model;
    std::unique_ptr<HidDevice> file;
    bool opened = false;

    explicit Opened(SimulatedHidDevice::Kind kind, uint16_t typeCode = 0xD105,
                    const std::function<void(SimulatedHidDevice&)>& configure = {}) {
        device = backend.add(kind);
        device->setTypeCode(typeCode);
        if (configure)
            configure(*device);
        table.OpenTable(tableName.name());
        manager.create();
        owner.create();
        window.create();
        model.setOwnerWindow(owner.handle());
        model.setManager(&table, manager.handle());
        file = backend.open(device->path());
        opened = model.OpenDevice(file, &window, device->product());
        if (opened)
            underLock(table, [&] { return table.Register(window.handle(), device->path()); });
    }
    // A refused device stays the caller's, and the window is left as it was.
    void expectRefused() {
        EXPECT_FALSE(opened);
        EXPECT_NE(file, nullptr);
        EXPECT_EQ(window.subclassed(), nullptr);
        EXPECT_FALSE(model.attached());
    }
};

Comm::Payload readUserIdRequest(uint16_t parameter) {
    Comm::Payload p{};
    p[0] = hidcmd::ReadUserId;
    p[1] = hidcmd::SubUserId;
    Comm::SetParameter(p, parameter);
    return p;
}

// An adapter, opened before each test.
class VDevicePhoneAdapter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(o.opened); }
    Opened<Device_RivorAzururu> o{SimulatedHidDevice::Kind::Adapter};
};

} // namespace

TEST(VDevicePhone, AdapterIdentifiesWithTypeAndHardwareId) {
    Opened<Device_RivorAzururu> o(SimulatedHidDevice::Kind::Adapter, 0xD1A7);
    ASSERT_TRUE(o.opened);
    EXPECT_EQ(o.model.typeCode(), 0xD1A7);
    EXPECT_EQ(o.model.hardwareId(), "123456789ABCDEF0");
    EXPECT_EQ(o.model.deviceHandle(), o.window.handle());
    // The window answers the type code, as the entry point forwards it.
    EXPECT_EQ(o.window.send(devmsg::TypeCode), 0xD1A7);
    std::string id;
    o.window.send(devmsg::HardwareId, reinterpret_cast<uintptr_t>(&id));
    EXPECT_EQ(id, "123456789ABCDEF0");
    // Two requests went out: get type, then get hardware id, with valid checksums.
    auto written = o.device->writtenReports();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0][0], 0);
    EXPECT_EQ(written[0][1], hidcmd::GetType);
    EXPECT_EQ(written[1][1], hidcmd::GetHardwareId);
    unsigned sum = 0;
    for (size_t i = 1; i < written[1].size(); ++i)
        sum += written[1][i];
    EXPECT_EQ(sum % 256, 0u);
}

TEST(VDevicePhone, ModelsRefuseWhatIsNotTheirs) {
    using Kind = SimulatedHidDevice::Kind;
    {
        SCOPED_TRACE("type code outside the adapter range");
        Opened<Device_RivorAzururu>(Kind::Adapter, 0xD200).expectRefused();
    }
    {
        SCOPED_TRACE("report lengths of the other variant");
        Opened<Device_Zododuzidi>(Kind::UsbPnp, 0xD105, [](SimulatedHidDevice& d) {
            d.setReportLengths(5, 5);
        }).expectRefused();
    }
    // The short variant takes 5-byte reports.
    Opened<Device_SSSAudio> o(Kind::Sss);
    EXPECT_TRUE(o.opened);
    EXPECT_EQ(o.window.send(devmsg::TypeCode), 0xD301);
}

TEST_F(VDevicePhoneAdapter, ReplyWithTheRequestsParameterIsTaken) {
    std::string text = "0011223344556677";
    o.window.send(devmsg::WriteUserId, 0x1234, reinterpret_cast<intptr_t>(&text));
    ASSERT_TRUE(o.device->userId(0x1234).has_value());
    EXPECT_EQ((*o.device->userId(0x1234))[7], 0x77);

    std::string back;
    o.window.send(devmsg::ReadUserId, 0x1234, reinterpret_cast<intptr_t>(&back));
    EXPECT_EQ(back, "0011223344556677");
}

TEST_F(VDevicePhoneAdapter, StrayReportIsDroppedAndTheWaitGoesOn) {
    // A stray report first, then the real reply: the reply is still found.
    o.device->sendStrayReport({0x9F, 0x08, 0x00, 0x00, 0xEE});
    Comm::Payload reply{};
    EXPECT_TRUE(o.model.Transact(readUserIdRequest(0x0102), reply, 200));
    EXPECT_EQ(Comm::Parameter(reply), 0x0102);
    EXPECT_EQ(o.device->pendingInputReports(), 0u);

    // Only a stray report and no reply: it is read, dropped, and the wait runs out.
    o.device->setMute(true);
    o.device->sendStrayReport({0x9F, 0x08, 0x00, 0x00});
    const double start = NowMs();
    EXPECT_FALSE(o.model.Transact(readUserIdRequest(0x0102), reply, 60));
    EXPECT_GE(NowMs() - start, 59.0);
    EXPECT_EQ(o.device->pendingInputReports(), 0u);
}

TEST_F(VDevicePhoneAdapter, LateReplyIsDroppedByTheNextPoll) {
    std::string buffer = "untouched";
    o.device->holdReplies(true);
    o.window.send(devmsg::ReadUserId, 0x0042, reinterpret_cast<intptr_t>(&buffer));
    EXPECT_EQ(buffer, "untouched"); // no reply in time: the caller's buffer stays

    o.device->releaseHeldReplies();
    o.device->holdReplies(false);
    ASSERT_EQ(o.device->pendingInputReports(), 1u);
    o.model.PollStep();
    EXPECT_EQ(o.device->pendingInputReports(), 0u);
    EXPECT_EQ(o.model.failedPolls(), 0);
    EXPECT_EQ(buffer, "untouched");
    // The next exchange gets its own reply, not the stale one.
    Comm::Payload reply{};
    EXPECT_TRUE(o.model.Transact(readUserIdRequest(0x0043), reply, 200));
    EXPECT_EQ(Comm::Parameter(reply), 0x0043);
}

TEST_F(VDevicePhoneAdapter, UnplugDuringAWaitEndsTheDeviceAfterFourPolls) {
    o.device->unplugOnNextRequest();
    Comm::Payload reply{};
    const double start = NowMs();
    EXPECT_FALSE(o.model.Transact(readUserIdRequest(1), reply, 10000));
    EXPECT_LT(NowMs() - start, 5000.0); // the failed read ends the wait at once

    for (int i = 1; i <= 3; ++i) {
        o.model.PollStep();
        EXPECT_EQ(o.model.failedPolls(), i);
        EXPECT_TRUE(o.model.attached());
    }
    o.model.PollStep();
    EXPECT_FALSE(o.model.attached());
    // The record is given up, the manager is asked to delete the model, the owner told.
    EXPECT_FALSE(underLock(o.table, [&] { return o.table.IsOwnRecord(o.window.handle()); }));
    ASSERT_TRUE(pumpUntil([&] { return !o.owner.of(msg::DeviceEnded).empty(); }, 1000));
    auto toManager = o.manager.of(msg::DeviceEnded);
    ASSERT_EQ(toManager.size(), 1u);
    EXPECT_EQ(toManager[0].wParam, o.window.handle());
    EXPECT_EQ(o.owner.of(msg::DeviceEnded)[0].wParam, 0u);
}

TEST_F(VDevicePhoneAdapter, PollingRunsOnTheWindowTimer) {
    o.device->sendStrayReport({0x01, 0x02});
    o.device->sendStrayReport({0x03, 0x04});
    // The first poll is posted by the open; it drains every queued report.
    ASSERT_TRUE(pumpUntil([&] { return o.device->pendingInputReports() == 0; }, 500));
    o.device->unplug();
    // Four failed polls at 50 ms: the owner hears of it within about 200 ms.
    const double start = NowMs();
    ASSERT_TRUE(pumpUntil([&] { return !o.owner.of(msg::DeviceEnded).empty(); }, 2000));
    EXPECT_GE(NowMs() - start, 140.0);
    EXPECT_LT(NowMs() - start, 2000.0); // not a poll a second
}

TEST_F(VDevicePhoneAdapter, PulseLedTurnsBackAndSetLedCancelsThePulse) {
    o.window.send(devmsg::PulseLed, 1, 80);
    EXPECT_EQ(o.device->ledCommands(), std::vector<bool>{true});
    ASSERT_TRUE(pumpUntil([&] { return o.device->ledCommands().size() == 2; }, 1000));
    EXPECT_EQ(o.device->ledCommands(), (std::vector<bool>{true, false}));
    EXPECT_FALSE(o.model.ledState());
    pumpFor(200); // the pulse fired once only
    EXPECT_EQ(o.device->ledCommands().size(), 2u);

    o.window.send(devmsg::PulseLed, 1, 60);
    o.window.send(devmsg::SetLed, 1);
    pumpFor(200);
    EXPECT_EQ(o.device->ledCommands(), (std::vector<bool>{true, false, true, true}));
    EXPECT_TRUE(o.device->ledOn());
}

TEST_F(VDevicePhoneAdapter, SwitchWaitsTwentyMillisecondsAfterTheLastWrite) {
    o.window.send(devmsg::SetLed, 0);
    const double ledWrite = o.model.lastWriteTime;
    o.window.send(devmsg::Switch, 1);
    EXPECT_GE(o.model.lastWriteTime - ledWrite, 20.0);
    EXPECT_EQ(o.device->switchCommands(), std::vector<bool>{true});
    // No reply is awaited, and none comes.
    EXPECT_EQ(o.device->pendingInputReports(), 0u);
}
