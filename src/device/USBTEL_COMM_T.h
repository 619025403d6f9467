#pragma once

#include "device/ReportVariant.h"

#include <array>
#include <cstdint>
#include <utility>

namespace vorlane {

// The report variant with an N-byte payload (N = 16 in use): command, sub-code, a 16-bit
// parameter sent most significant byte first, data, and a checksum in the last byte that
// makes all N bytes add up to 0 modulo 256. In memory the parameter is kept low byte
// first; the exchange of bytes 2 and 3 happens on the way to and from the wire.
template <size_t N> struct USBTEL_COMM_T : ReportVariant<USBTEL_COMM_T<N>, N, 4> {
    static_assert(N >= 5, "the payload holds command, sub-code, parameter and checksum");
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
};

} // namespace vorlane
