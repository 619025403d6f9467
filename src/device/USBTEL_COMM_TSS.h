#pragma once

#include "device/ReportVariant.h"

namespace vorlane {

// The short report variant with an N-byte payload (N = 4 in use): command, sub-code,
// parameter byte, value. No checksum and no byte exchange.
template <size_t N> struct USBTEL_COMM_TSS : ReportVariant<USBTEL_COMM_TSS<N>, N, 3> {
    using Payload = std::array<uint8_t, N>;

    static uint16_t Parameter(const Payload& p) { return p[2]; }
    static void SetParameter(Payload& p, uint16_t v) { p[2] = uint8_t(v); }
    static void ToWire(Payload&) {}
    static void FromWire(Payload&) {}
};

} // namespace vorlane
