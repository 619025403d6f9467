#include "DeviceTestSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "app/CMainDlg.h"
#include "app/DeviceThread.h"
#include "app/PhoneManger.h"
#include "device/FakeAudioDeviceList.h"
#include "device/NowMs.h"
#include "device/RivorAzururu_Device.h"
#include "device/Zododuzidi_Device.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vorlane;
using namespace vorlane::test;
using Kind = SimulatedHidDevice::Kind;

namespace {

// Stands in for CMainDlg: records relays and timer requests; real timers run only when
// asked for.
class TestOwner : public MessageWindow, public PhoneManger::Owner {
public:
    PhoneManger phone{*this};
    bool realTimers = false;
    std::vector<std::pair<uint32_t, int>> timers; // -1: killed
    std::vector<std::pair<uint32_t, uintptr_t>> relayed;
    std::vector<double> relayTimes;
    WindowHandle target = 0;

    ~TestOwner() override { destroy(); }

    MessageWindow& phoneWindow() override { return *this; }
    void setDeviceTargetWindow(WindowHandle w) override { target = w; }
    void setPhoneTimer(uint32_t id, int ms) override {
        timers.emplace_back(id, ms);
        if (realTimers)
            setTimer(id, ms);
    }
    void killPhoneTimer(uint32_t id) override {
        timers.emplace_back(id, -1);
        killTimer(id);
    }
    std::vector<std::string> inaccessible;
    void reportInaccessible(const std::string& path) override { inaccessible.push_back(path); }
    bool Relay(uint32_t msg, uintptr_t wParam, intptr_t) override {
        relayed.emplace_back(msg, wParam);
        relayTimes.push_back(NowMs());
        return true;
    }
    // The last request for a timer: its period, -1 when killed, 0 when never set.
    int lastTimer(uint32_t id) const {
        for (auto it = timers.rbegin(); it != timers.rend(); ++it)
            if (it->first == id)
                return it->second;
        return 0;
    }
    size_t relayCount(uint32_t msg) const {
        return std::count_if(relayed.begin(), relayed.end(),
                             [msg](const auto& r) { return r.first == msg; });
    }
    void fire(uint32_t timerId) { send(msg::Timer, timerId); }

protected:
    bool processMessage(const Message& m, intptr_t& result) override {
        if (m.msg == msg::Destroy) {
            phone.ReleaseDevice();
            return true;
        }
        return phone.ProcessPhoneMessage(m, result);
    }
};

class PhoneMangerTest : public ::testing::Test, protected SimulatedHidRig {
protected:
    void SetUp() override {
        owner.create();
        owner.phone.setWaveInputs(&inputs);
    }

    // A device of this kind is plugged in and taken at the first connect.
    LogicPhone* connect(Kind kind) {
        backend.add(kind);
        EXPECT_TRUE(owner.phone.StartPhoneManger());
        owner.fire(timer::Connect);
        EXPECT_NE(owner.phone.device(), nullptr);
        return owner.phone.device();
    }

    FakeAudioDeviceList inputs;
    TestOwner owner;
};

} // namespace

TEST_F(PhoneMangerTest, ConnectsAfterOneSecondAndRetriesEvery2900Ms) {
    ASSERT_TRUE(owner.phone.StartPhoneManger());
    EXPECT_TRUE(DeviceManger::instance().isRunning());
    EXPECT_EQ(owner.lastTimer(timer::Connect), 1000);
    owner.fire(timer::Connect);
    EXPECT_EQ(owner.phone.device(), nullptr);
    EXPECT_EQ(owner.lastTimer(timer::Connect), 2900);
    owner.fire(timer::Connect);
    EXPECT_EQ(owner.lastTimer(timer::Connect), 2900);
    EXPECT_TRUE(owner.relayed.empty());
    EXPECT_TRUE(owner.inaccessible.empty()); // no device is no inaccessible device

    // The device turns up: the next attempt takes it and stops retrying.
    auto d = backend.add(Kind::Adapter);
    d->setTypeCode(0xD1A0);
    owner.fire(timer::Connect);
    ASSERT_NE(dynamic_cast<RivorAzururu_Device*>(owner.phone.device()), nullptr);
    EXPECT_EQ(owner.lastTimer(timer::Connect), -1);
    ASSERT_EQ(owner.relayed.size(), 1u);
    EXPECT_EQ(owner.relayed[0], (std::pair<uint32_t, uintptr_t>{msg::DeviceReady, 0xD1A0}));
    EXPECT_EQ(owner.target, owner.handle());
    EXPECT_EQ(owner.phone.device()->typeCode(), 0xD1A0);
    EXPECT_NE(owner.phone.device()->deviceHandle(), 0u);
}

TEST_F(PhoneMangerTest, EndedDeviceIsRelayedAndReconnected300MsLater) {
    LogicPhone* first = connect(Kind::UsbPnp);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->typeCode(), 0xD201);
    auto d = backend.devices().back();
    d->unplug();
    ASSERT_TRUE(pumpUntil([&] { return owner.relayCount(msg::DeviceGone) == 1; }, 3000));
    EXPECT_EQ(owner.phone.device(), nullptr);
    EXPECT_EQ(owner.target, 0u);
    EXPECT_EQ(owner.lastTimer(timer::Connect), 300);
    EXPECT_EQ(owner.relayed.back(), (std::pair<uint32_t, uintptr_t>{msg::DeviceGone, 0}));

    d->plug();
    owner.fire(timer::Connect);
    ASSERT_NE(owner.phone.device(), nullptr);
    EXPECT_EQ(owner.relayCount(msg::DeviceReady), 2u);
}

TEST_F(PhoneMangerTest, PnpInputWithoutHidEndsSoonAfterTheInputGoes) {
    owner.realTimers = true;
    inputs.addWaveInput("HDA Intel PCH: ALC892 Analog");
    inputs.addWaveInput("USB PnP Audio Device: USB Audio");
    ASSERT_TRUE(owner.phone.StartPhoneManger());
    owner.killTimer(timer::Connect); // driven by hand here
    owner.fire(timer::Connect);
    auto* device = dynamic_cast<Zododuzidi_Device*>(owner.phone.device());
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->deviceHandle(), 0u);
    EXPECT_EQ(device->typeCode(), 0xD201);
    EXPECT_EQ(owner.relayed.at(0), (std::pair<uint32_t, uintptr_t>{msg::DeviceReady, 0xD201}));
    EXPECT_EQ(owner.lastTimer(timer::WaveInputWatch), 1000);

    // After the first check the input is watched every 200 ms.
    ASSERT_TRUE(pumpUntil([&] { return owner.lastTimer(timer::WaveInputWatch) == 200; }, 5000));
    inputs.remove("USB PnP Audio Device: USB Audio");
    const double gone = NowMs();
    ASSERT_TRUE(pumpUntil([&] { return owner.relayCount(msg::DeviceGone) == 1; }, 5000));
    EXPECT_LT(owner.relayTimes.back() - gone, 1500.0); // not the 2,900 ms retry
    EXPECT_EQ(owner.phone.device(), nullptr);
    EXPECT_EQ(owner.lastTimer(timer::Connect), 300);
}

TEST_F(PhoneMangerTest, MessagesForTheDeviceAndStrangers) {
    LogicPhone* device = connect(Kind::Controller);
    ASSERT_NE(dynamic_cast<Zododuzidi_Device*>(device), nullptr);
    EXPECT_EQ(device->typeCode(), 0xD401);

    // The recording state goes on to the device object, whose idle routine takes it.
    intptr_t r = -1;
    Message m{msg::RecordingState, 1, 0, nullptr};
    EXPECT_TRUE(owner.phone.ProcessPhoneMessage(m, r));
    // A 1281 about another object changes nothing.
    owner.send(msg::DeviceEnded, reinterpret_cast<uintptr_t>(&owner), 0);
    EXPECT_EQ(owner.phone.device(), device);
    EXPECT_EQ(owner.relayCount(msg::DeviceGone), 0u);
    // A device change with a device present asks for a connect in 2 s.
    owner.send(msg::DeviceChange);
    EXPECT_EQ(owner.lastTimer(timer::Connect), 2000);
    owner.fire(timer::Connect); // already connected: nothing new
    EXPECT_EQ(owner.phone.device(), device);
    EXPECT_EQ(owner.relayCount(msg::DeviceReady), 1u);
}

// The supervision inside the real CMainDlg on its device thread, relaying to a panel.
TEST(CMainDlgDevice, DeviceReadyAndGoneReachThePanelWithTheTypeCode) {
    TestProgramFolder folder;
    SimulatedHidRig rig;
    auto d = rig.backend.add(Kind::Adapter);
    d->setTypeCode(0xD1B2);
    LogWindow panel;
    panel.create();

    {
        DeviceThread thread;
        ASSERT_TRUE(thread.start(panel.handle(), 10000));
        CMainDlg& dlg = CMainDlg::instance();
        ASSERT_TRUE(pumpUntil([&] { return panel.count(msg::DeviceReady) == 1; }, 4000));
        EXPECT_EQ(dlg.deviceTypeCode.load(), 0xD1B2);
        EXPECT_EQ(dlg.deviceTargetWindow.load(), dlg.handle());

        d->unplug();
        ASSERT_TRUE(pumpUntil([&] { return panel.count(msg::DeviceGone) == 1; }, 4000));
        EXPECT_EQ(dlg.deviceTypeCode.load(), 0);
        EXPECT_EQ(dlg.deviceTargetWindow.load(), 0u);

        d->plug();
        ASSERT_TRUE(pumpUntil([&] { return panel.count(msg::DeviceReady) == 2; }, 4000));
        EXPECT_TRUE(thread.stop(5000));
    }
    // Closing the window let go of the device and stopped the manager.
    EXPECT_FALSE(DeviceManger::instance().isRunning());
    EXPECT_EQ(d.use_count(), 2);
}

TEST_F(PhoneMangerTest, ADeviceThatMayNotBeOpenedIsNamedOnce) {
    auto d = backend.add(Kind::Adapter, "/dev/hidraw7");
    d->setTypeCode(0xD1A0);
    d->setAccessible(false);
    ASSERT_TRUE(owner.phone.StartPhoneManger());
    for (int attempt = 0; attempt < 3; ++attempt) {
        owner.fire(timer::Connect);
        EXPECT_EQ(owner.phone.device(), nullptr);
        EXPECT_EQ(owner.lastTimer(timer::Connect), 2900) << "retrying goes on";
    }
    EXPECT_EQ(owner.inaccessible, std::vector<std::string>{"/dev/hidraw7"});

    // With the rule installed the device is taken at the next attempt; no more notes.
    d->setAccessible(true);
    owner.fire(timer::Connect);
    EXPECT_NE(owner.phone.device(), nullptr);
    EXPECT_EQ(owner.inaccessible.size(), 1u);
}

// A device of a later pair is taken, and the one that may not be opened is still named once.
TEST_F(PhoneMangerTest, ADeviceThatMayNotBeOpenedIsNamedWhenALaterOneIsTaken) {
    backend.add(Kind::Adapter, "/dev/hidraw7")->setAccessible(false);
    ASSERT_NE(connect(Kind::Sss), nullptr);
    EXPECT_EQ(owner.phone.device()->typeCode(), 0xD301);
    EXPECT_EQ(owner.inaccessible, std::vector<std::string>{"/dev/hidraw7"});
    owner.fire(timer::Connect);
    EXPECT_EQ(owner.inaccessible.size(), 1u);
}
