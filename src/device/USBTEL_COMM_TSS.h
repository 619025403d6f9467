#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorlane {

// The short report variant with an N-byte payload (N = 4 in use): command, sub-code,
// parameter byte, value. No checksum and no byte exchange.
template <size_t N> struct USBTEL_COMM_TSS {
    static_assert(N >= 4, "the payload holds command, sub-code, parameter and value");
    static constexpr size_t PayloadSize = N;
    static constexpr size_t ReportLength = N + 1;
    static constexpr bool HasChecksum = false;
    static constexpr size_t ValueOffset = 3;
    using Payload = std::array<uint8_t, N>;

    static uint16_t Parameter(const Payload& p) { return p[2]; }
    static void SetParameter(Payload& p, uint16_t v) { p[2] = uint8_t(v); }
    static void ToWire(Payload&) {}
    static void FromWire(Payload&) {}
    static bool Matches(const Payload& reply, const Payload& expected) {
        return reply[0] == expected[0] && reply[2] == expected[2];
    }
    static void PresetReply(Payload& expected, const Payload& request) {
        expected[0] = request[0];
        expected[2] = request[2];
    }
    static Payload Simple(uint8_t command, uint8_t value) {
        Payload p{};
        p[0] = command;
        p[1] = 0x01;
        p[ValueOffset] = value;
        return p;
    }
};

} // namespace vorlane
