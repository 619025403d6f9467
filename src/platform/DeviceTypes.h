#pragma once

#include <array>
#include <cstdint>

namespace vorlane {

// One kind of supported USB device. The product string of its HID interface starts with
// `name`, and its sound card's name contains it.
struct DeviceType {
    uint16_t firstCode; // the type codes firstCode to lastCode are this kind's
    uint16_t lastCode;
    uint16_t fixedCode; // the code the device is given; 0: it reports its own
    // Its input volume is set on the sound card's mixer rather than applied to the samples.
    bool volumeOnCard;
    uint16_t vendorId; // USB ids of its HID interface
    uint16_t productId;
    const char* name;

    constexpr bool contains(uint32_t code) const {
        return (code & 0xFFFF) >= firstCode && (code & 0xFFFF) <= lastCode;
    }
};

// What a device type code means. Only the low 16 bits of a code count.
//
// Thread contract: constant data and pure functions, any thread.
class DeviceTypes {
public:
    // In the order the devices are searched for.
    // clang-format off
    static constexpr std::array<DeviceType, 4> All{{
        // type codes    given   on card  USB ids         name
        {0xD100, 0xD1FF, 0,      false,   0x0D8C, 0x0121, "QX USB Audio Adapter  "},
        {0xD200, 0xD2FF, 0xD201, true,    0x0D8C, 0x0132, "USB PnP Audio Device"},
        {0xD300, 0xD3FF, 0xD301, true,    0x0C76, 0x1600, "SSS USB Audio Device"},
        {0xD400, 0xD4FF, 0xD401, true,    0x0C76, 0x1605, "USB Audio Controller"},
    }};
    // clang-format on
    static constexpr const DeviceType& Adapter = All[0];
    static constexpr const DeviceType& UsbPnp = All[1];
    static constexpr const DeviceType& Sss = All[2];
    static constexpr const DeviceType& Controller = All[3];

    // The kind a code belongs to; nullptr for none.
    static const DeviceType* Of(uint32_t code);
    // The name searched for among the capture devices: the adapter's for a code of no
    // other kind.
    static const char* CaptureName(uint32_t code);
    // Whether the input volume goes to the sound card's mixer; otherwise (the adapter, or
    // a code of no kind) it is applied to the samples.
    static bool VolumeOnCard(uint32_t code);
    // The sound card whose mixer takes the input volume; "" when it is not set on a card.
    static const char* VolumeCardName(uint32_t code);
};

} // namespace vorlane
