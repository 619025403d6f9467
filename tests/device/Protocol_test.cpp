#include "device/AlsaMixer.h"
#include "device/DeviceIdText.h"
#include "device/EndpointVolume.h"
#include "device/HidReportDescriptor.h"
#include "device/USBTEL_COMM_T.h"
#include "device/USBTEL_COMM_TSS.h"

#include <gtest/gtest.h>

using namespace vorlane;
using Comm = USBTEL_COMM_T<16>;
using CommSS = USBTEL_COMM_TSS<4>;

TEST(Protocol, ChecksumMakesAllBytesAddUpToZero) {
    struct Case {
        std::vector<uint8_t> first15;
        uint8_t checksum;
    };
    std::vector<uint8_t> blanks(14, 0x20); // 14 x 0x20 + 0x30 = 0x1F0
    blanks.push_back(0x30);
    std::vector<Case> cases = {{{}, 0x00},
                               {{0x80, 0x01}, 0x7F},
                               {blanks, 0x10},
                               {std::vector<uint8_t>(15, 0xFF), 0x0F},
                               {{0x01}, 0xFF}};
    for (const auto& c : cases) {
        Comm::Payload p{};
        std::copy(c.first15.begin(), c.first15.end(), p.begin());
        EXPECT_EQ(Comm::Checksum(p), c.checksum);
        p[15] = Comm::Checksum(p);
        unsigned sum = 0;
        for (uint8_t b : p)
            sum += b;
        EXPECT_EQ(sum % 256, 0u);
    }
}

TEST(Protocol, ParameterGoesMostSignificantByteFirstAndComesBack) {
    Comm::Payload p{};
    p[0] = 0x9F;
    p[1] = 0x08;
    Comm::SetParameter(p, 0x1234);
    EXPECT_EQ(Comm::Parameter(p), 0x1234);
    Comm::Payload wire = p;
    Comm::ToWire(wire);
    // payload bytes 2 and 3 are wire positions 3 and 4
    EXPECT_EQ(wire[2], 0x12);
    EXPECT_EQ(wire[3], 0x34);
    EXPECT_EQ(wire[15], Comm::Checksum(p));
    Comm::FromWire(wire);
    EXPECT_EQ(Comm::Parameter(wire), 0x1234);
    // A reply with the same wire bytes matches the request it answers, no other.
    Comm::Payload expected{};
    Comm::PresetReply(expected, p);
    EXPECT_TRUE(Comm::Matches(wire, expected));
    Comm::SetParameter(wire, 0x3412);
    EXPECT_FALSE(Comm::Matches(wire, expected));
    wire = p;
    wire[0] = 0x2F;
    EXPECT_FALSE(Comm::Matches(wire, expected));
}

TEST(Protocol, ShortVariantHasNoChecksumAndMatchesOnByteTwo) {
    CommSS::Payload p = CommSS::Simple(0x05, 1);
    EXPECT_EQ(p, (CommSS::Payload{0x05, 0x01, 0x00, 0x01}));
    CommSS::Payload wire = p;
    CommSS::ToWire(wire);
    EXPECT_EQ(wire, p);
    CommSS::Payload expected{};
    CommSS::PresetReply(expected, p);
    CommSS::Payload reply{0x05, 0x77, 0x00, 0x55};
    EXPECT_TRUE(CommSS::Matches(reply, expected));
    reply[2] = 1;
    EXPECT_FALSE(CommSS::Matches(reply, expected));
    EXPECT_EQ(Comm::Simple(0x83, 1)[4], 1); // value in the first data byte
}

TEST(Protocol, IdTextFormatsAndParsesPairsOfHexDigits) {
    const uint8_t id[8] = {0x01, 0x23, 0xAB, 0xCD, 0xEF, 0x00, 0x9A, 0xFF};
    EXPECT_EQ(DeviceIdText::Format(id), "0123ABCDEF009AFF");
    struct Case {
        std::string text;
        std::array<uint8_t, 8> bytes;
    };
    std::vector<Case> cases = {
        {"0123abcdef009aff", {0x01, 0x23, 0xAB, 0xCD, 0xEF, 0x00, 0x9A, 0xFF}},
        {"0123ABCDEF009AFF", {0x01, 0x23, 0xAB, 0xCD, 0xEF, 0x00, 0x9A, 0xFF}},
        {"zz12", {0xFF, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, // missing counts as 15
        {"00000000000000001234", {0, 0, 0, 0, 0, 0, 0, 0}},         // past 16 ignored
        {"g0 1", {0xF0, 0xF1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceIdText::Parse(c.text), c.bytes) << c.text;
}

TEST(Protocol, ReportLengthsFromDescriptor) {
    // Vendor page, 16-byte input and output, no report ids: 17 bytes on the wire each.
    const std::vector<uint8_t> vendor16 = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,             // usage page, usage, collection
        0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x10, // 16 x 8 bits
        0x09, 0x01, 0x81, 0x02,                               // input
        0x09, 0x02, 0x91, 0x02,                               // output
        0xC0};
    auto l = HidReportDescriptor::Parse(vendor16);
    EXPECT_TRUE(l.valid);
    EXPECT_FALSE(l.usesReportIds);
    EXPECT_EQ(l.input, 17u);
    EXPECT_EQ(l.output, 17u);
    EXPECT_EQ(l.feature, 0u);

    // Consumer keys (report id 1, 2 x 16 bits) and a vendor report (id 2, 4 bytes out,
    // 3 bytes in); push/pop keeps the sizes apart. Longest report + id byte.
    const std::vector<uint8_t> withIds = {
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, //
        0xA4,                                           // push
        0x75, 0x10, 0x95, 0x02, 0x81, 0x00,             // input 32 bits
        0xB4,                                           // pop
        0x85, 0x02, 0x75, 0x08, 0x95, 0x04, 0x91, 0x02, // output 4 bytes
        0x95, 0x03, 0x81, 0x02,                         // input 3 bytes
        0xC0};
    l = HidReportDescriptor::Parse(withIds);
    EXPECT_TRUE(l.usesReportIds);
    EXPECT_EQ(l.input, 5u);
    EXPECT_EQ(l.output, 5u);

    // A descriptor cut inside an item is not trusted.
    std::vector<uint8_t> cut(vendor16.begin(), vendor16.begin() + 10);
    EXPECT_FALSE(HidReportDescriptor::Parse(cut).valid);
    EXPECT_FALSE(HidReportDescriptor::Parse(std::vector<uint8_t>{}).valid);
    // A long item is skipped whole.
    std::vector<uint8_t> withLong = {0xFE, 0x02, 0x10, 0x81, 0x02};
    withLong.insert(withLong.end(), vendor16.begin(), vendor16.end());
    EXPECT_EQ(HidReportDescriptor::Parse(withLong).input, 17u);
}

TEST(Protocol, EndpointNamesAndComponentTypes) {
    struct TypeCase {
        const char* element;
        EndpointVolume::ComponentType type;
    };
    for (auto c : std::vector<TypeCase>{{"Mic", EndpointVolume::Microphone},
                                        {"Mic Capture", EndpointVolume::Microphone},
                                        {"Line", EndpointVolume::Line},
                                        {"Line,1", EndpointVolume::Line},
                                        {"PCM", EndpointVolume::WaveOut},
                                        {"Aux", EndpointVolume::Analog},
                                        {"Phone", EndpointVolume::Telephone},
                                        {"Headphone", EndpointVolume::Undefined},
                                        {"Capture", EndpointVolume::Undefined},
                                        {"Digital", EndpointVolume::Undefined}})
        EXPECT_EQ(EndpointVolume::ComponentTypeOf(c.element), c.type) << c.element;

    EXPECT_EQ(AlsaMixer::VolumeFor(0, 100, 50), 50);
    EXPECT_EQ(AlsaMixer::VolumeFor(0, 65535, 50), 32767);
    EXPECT_EQ(AlsaMixer::VolumeFor(0, 65535, 1), 655);
    EXPECT_EQ(AlsaMixer::VolumeFor(-20, 10, 100), 10);
    EXPECT_EQ(AlsaMixer::VolumeFor(-20, 10, 0), -20);
    EXPECT_EQ(AlsaMixer::VolumeFor(0, 127, 250), 127); // clamped
}
