#include "platform/DeviceTypes.h"

#include <gtest/gtest.h>

#include <string>

using namespace vorlane;

// The capture device is searched for by the adapter's name unless the code is of another
// kind; only the three kinds with a card mixer have a card volume.
TEST(DeviceTypes, CodesMapToCaptureAndVolumeCardNames) {
    const std::string adapter = "QX USB Audio Adapter  ", pnp = "USB PnP Audio Device",
                      sss = "SSS USB Audio Device", controller = "USB Audio Controller";
    struct Case {
        uint32_t code;
        std::string capture;
        std::string card;
    } cases[] = {
        {0, adapter, ""},
        {0xD0FF, adapter, ""},
        {0xD100, adapter, ""},
        {0xD1FF, adapter, ""},
        {0xD200, pnp, pnp},
        {0xD201, pnp, pnp},
        {0xD2FF, pnp, pnp},
        {0xD300, sss, sss},
        {0xD3FF, sss, sss},
        {0xD400, controller, controller},
        {0xD4FF, controller, controller},
        {0xD500, adapter, ""},
        {0x1D201, pnp, pnp}, // only 16 bits count
        {0xFFFFFFFF, adapter, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeviceTypes::CaptureName(c.code), c.capture) << std::hex << c.code;
        EXPECT_EQ(DeviceTypes::VolumeCardName(c.code), c.card) << std::hex << c.code;
        EXPECT_EQ(DeviceTypes::VolumeOnCard(c.code), !c.card.empty()) << std::hex << c.code;
    }
    // A fixed code lies in its own kind's range.
    for (const DeviceType& t : DeviceTypes::All)
        EXPECT_EQ(DeviceTypes::Of(t.fixedCode ? t.fixedCode : t.firstCode), &t) << t.name;
}
