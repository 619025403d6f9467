#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace vorlane {

// The report variant with an N-byte payload (N = 16 in use): command, sub-code, a 16-bit
// parameter sent most significant byte first, data, and a checksum in the last byte that
// makes all N bytes add up to 0 modulo 256. In memory the parameter is kept low byte
// first; the exchange of bytes 2 and 3 happens on the way to and from the wire.
template <size_t N> struct USBTEL_COMM_T {
    static_assert(N >= 5, "the payload holds command, sub-code, parameter and checksum");
    static constexpr size_t PayloadSize = N;
    static constexpr size_t ReportLength = N + 1; // report id byte in front
    static constexpr bool HasChecksum = true;
    static constexpr size_t ValueOffset = 4;
    using Payload = std::array<uint8_t, N>;

    static uint8_t Checksum(const Payload& p) {
        unsigned sum = 0;
        for (size_t i = 0; i + 1 < N; ++i)
            sum += p[i];
        return uint8_t(0x100 - (sum & 0xFF));
    }
    static uint16_t Parameter(const Payload& p) { return uint16_t(p[2] | (p[3] << 8)); }
    static void SetParameter(Payload& p, uint16_t v) {
        p[2] = uint8_t(v & 0xFF);
        p[3] = uint8_t(v >> 8);
    }
    // Checksum and byte order of a request about to be written.
    static void ToWire(Payload& p) {
        p[N - 1] = Checksum(p);
        std::swap(p[2], p[3]);
    }
    static void FromWire(Payload& p) { std::swap(p[2], p[3]); }
    // A reply matches when command and parameter are those awaited.
    static bool Matches(const Payload& reply, const Payload& expected) {
        return reply[0] == expected[0] && Parameter(reply) == Parameter(expected);
    }
    static void PresetReply(Payload& expected, const Payload& request) {
        expected[0] = request[0];
        SetParameter(expected, Parameter(request));
    }
    // command, 01, parameter 0, value in the first data byte.
    static Payload Simple(uint8_t command, uint8_t value) {
        Payload p{};
        p[0] = command;
        p[1] = 0x01;
        p[ValueOffset] = value;
        return p;
    }
};

} // namespace vorlane
