#include "TestProgramFolder.h"
#include "device/AlsaDeviceList.h"
#include "device/AlsaMixer.h"
#include "device/EndpointVolume.h"
#include "device/FakeAudioDeviceList.h"
#include "device/FakeMixer.h"

#include <gtest/gtest.h>

#include <alsa/asoundlib.h>

using namespace vorlane;
using Call = FakeMixer::Call;

namespace {
struct Rig {
    FakeAudioDeviceList list;
    FakeMixer mixer;
    EndpointVolume volume{&list, &mixer};
};
} // namespace

TEST(EndpointVolume, PnpDeviceGetsEveryCaptureElementInTypeOrder) {
    Rig rig;
    rig.list.addMixer("HDA Intel PCH", "hw:0");
    rig.list.addMixer("USB PnP Audio Device", "hw:1");
    rig.mixer.addCard("hw:0", {"Capture", "Mic"});
    rig.mixer.addCard("hw:1", {"Phone", "Line", "Mic", "Capture", "Aux", "PCM"});
    EXPECT_TRUE(rig.volume.SetInputVolume(0xD201, 50));
    std::vector<Call> expected = {
        {"open", "hw:1", 0}, {"set", "Capture", 50}, {"set", "Mic", 50},   {"set", "Line", 50},
        {"set", "PCM", 50},  {"set", "Aux", 50},     {"set", "Phone", 50}, {"close", "hw:1", 0},
    };
    EXPECT_EQ(rig.mixer.calls(), expected);
    for (const char* e : {"Phone", "Line", "Mic", "Capture", "Aux", "PCM"})
        EXPECT_EQ(rig.mixer.volume("hw:1", e), 50) << e;
    EXPECT_EQ(rig.mixer.volume("hw:0", "Mic"), -1); // another card is left alone
}

TEST(EndpointVolume, OtherDevicesSetFourTypesAndOutOfRangeVolumeIsClamped) {
    Rig rig;
    rig.list.addMixer("C-Media SSS USB Audio Device rev2", "hw:2"); // text around the name
    rig.mixer.addCard("hw:2", {"Mic", "Aux", "Phone", "Line"});
    EXPECT_TRUE(rig.volume.SetInputVolume(0xD301, 140));
    std::vector<Call> expected = {
        {"open", "hw:2", 0}, {"set", "Mic", 100}, {"set", "Line", 100}, {"close", "hw:2", 0}};
    EXPECT_EQ(rig.mixer.calls(), expected);

    // No card of that name: nothing is opened; a card that cannot be opened: nothing set.
    Rig none;
    EXPECT_TRUE(none.volume.SetInputVolume(0xD401, 30));
    EXPECT_TRUE(none.mixer.calls().empty());
    none.list.addMixer("USB Audio Controller", "hw:9");
    EXPECT_TRUE(none.volume.SetInputVolume(0xD401, -3));
    EXPECT_EQ(none.mixer.calls(), (std::vector<Call>{{"open", "hw:9", 0}}));
}

TEST(EndpointVolume, FindByNameInIndexOrder) {
    Rig rig;
    rig.list.addWaveInput("HDA Intel: ALC892 Analog");
    rig.list.addWaveInput("USB PnP Audio Device: USB Audio");
    rig.list.addWaveInput("USB PnP Audio Device");
    rig.list.addWaveOutput("HDA Intel: ALC892 Analog");
    EXPECT_EQ(rig.volume.FindWaveIn("USB PnP Audio Device", 1), 1);
    EXPECT_EQ(rig.volume.FindWaveIn("USB PnP Audio Device", 0), 2);
    EXPECT_EQ(rig.volume.FindWaveIn("usb pnp audio device", 1), -1); // case matters
    EXPECT_EQ(rig.volume.FindWaveIn("", 1), -1);
    EXPECT_EQ(rig.volume.FindWaveOut("USB", 1), -1);
    EXPECT_EQ(rig.volume.FindWaveOut("ALC892", 1), 0);
    EXPECT_EQ(rig.volume.FindMixer("USB", 1), -1);
    EXPECT_EQ(rig.volume.WaveInName(1), "USB PnP Audio Device: USB Audio");
    EXPECT_EQ(rig.volume.WaveInName(3), "");
    EXPECT_EQ(rig.volume.WaveInName(-1), "");
}

// Real ALSA: a capture PCM defined in a private configuration is listed with its
// description; no sound card is needed.
TEST(EndpointVolume, AlsaListsConfiguredCapturePcms) {
    vorlane::test::TestProgramFolder folder(false);
    folder.writeFile("asound.conf", "pcm.vorlane_usbpnp {\n  type null\n"
                                    "  hint { show on description \"USB PnP Audio Device\" }\n}\n");
    AlsaDeviceList alsa;
    FakeMixer mixer;
    EndpointVolume volume(&alsa, &mixer);
    {
        vorlane::test::ScopedEnv config("ALSA_CONFIG_PATH", "/usr/share/alsa/alsa.conf:" +
                                                                (folder / "asound.conf").string());
        snd_config_update_free_global();
        int i = volume.FindWaveIn("USB PnP Audio Device", 1);
        ASSERT_GE(i, 0);
        EXPECT_EQ(alsa.waveInputs()[size_t(i)].id, "vorlane_usbpnp");
        EXPECT_TRUE(alsa.mixers().empty()); // no card on this machine
    }
    snd_config_update_free_global();
    // Once the configuration is gone, so is the input.
    EXPECT_EQ(volume.FindWaveIn("USB PnP Audio Device", 1), -1);
}

TEST(EndpointVolume, AlsaMixerOfAMissingCardFailsCleanly) {
    AlsaMixer m;
    EXPECT_FALSE(m.open("hw:97"));
    EXPECT_TRUE(m.captureElements().empty());
    EXPECT_FALSE(m.setCaptureVolume("Mic", 50));
    m.close();
}
