#include "SettingsTestSupport.h"
#include "device/EndpointVolume.h"
#include "device/FakeAudioDeviceList.h"
#include "device/FakeMixer.h"
#include "ui/CRegionBmpBtn.h"

#include <gtest/gtest.h>

#include <QSlider>
#include <atomic>

using namespace vorlane;
using namespace vorlane::test;

// The volume slider let go at 30 and the dialog cancelled: 30 stays in the settings file and
// at the sound card of a device whose volume is set there; an adapter's card is left alone.
TEST(SettingsEndpoint, VolumeLetGoAt30ThenCancelLeaves30InTheFileAndAtTheCard) {
    SettingsHome s;
    FakeAudioDeviceList devices;
    devices.addMixer("USB PnP Audio Device: USB Audio (hw:2)", "hw:2");
    devices.addMixer("USB Audio Adapter (hw:3)", "hw:3");
    FakeMixer mixer;
    mixer.addCard("hw:2", {"Mic", "Line"});
    mixer.addCard("hw:3", {"Mic"});
    EndpointVolume endpoint(&devices, &mixer);
    std::atomic<uint16_t> typeCode{0xD201};

    PanelStub panel(s.config);
    ServiceLog log;
    CSysSettingDlg::Services services = log.services(panel.handle(), s.config);
    services.setInputVolume = [&] { endpoint.SetInputVolume(typeCode, s.config.RecordVolume); };
    auto dialog = CSysSettingDlg::Create(s.config, std::move(services));
    ASSERT_TRUE(dialog);
    dialog->show();
    auto* volume = qobject_cast<QSlider*>(dialog->control(CSysSettingDlg::kVolume));
    volume->setSliderDown(true);
    volume->setValue(30);
    volume->setSliderDown(false);
    qobject_cast<CRegionBmpBtn*>(dialog->control(CSysSettingDlg::kCancel))->click();

    EXPECT_EQ(s.option("Record Volume"), "30");
    EXPECT_EQ(mixer.volume("hw:2", "Mic"), 30);
    EXPECT_EQ(mixer.volume("hw:2", "Line"), 30);

    // The adapter takes its volume in the samples, not at its card.
    typeCode = 0xD105;
    dialog->show();
    volume->setSliderDown(true);
    volume->setValue(45);
    volume->setSliderDown(false);
    EXPECT_EQ(s.option("Record Volume"), "45");
    EXPECT_EQ(mixer.volume("hw:3", "Mic"), -1);
    EXPECT_EQ(mixer.volume("hw:2", "Mic"), 30);
}
