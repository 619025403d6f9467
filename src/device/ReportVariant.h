#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorlane {

// What the two report variants do alike, in terms of a variant's own parameter field
// (Comm::Parameter, Comm::SetParameter). N is the payload size, V the place of a simple
// request's value; on the wire a report id byte goes in front.
template <class Comm, size_t N, size_t V> struct ReportVariant {
    static_assert(V > 2 && V < N, "the payload holds command, sub-code, parameter and value");
    static constexpr size_t ValueOffset = V;
    static constexpr size_t PayloadSize = N;
    static constexpr size_t ReportLength = N + 1;
    using Payload = std::array<uint8_t, N>;

    // A reply matches when command and parameter are those awaited.
    static bool Matches(const Payload& reply, const Payload& expected) {
        return reply[0] == expected[0] && Comm::Parameter(reply) == Comm::Parameter(expected);
    }
    static void PresetReply(Payload& expected, const Payload& request) {
        expected[0] = request[0];
        Comm::SetParameter(expected, Comm::Parameter(request));
    }
    // command, 01, parameter 0, value in the value byte.
    static Payload Simple(uint8_t command, uint8_t value) {
        Payload p{};
        p[0] = command;
        p[1] = 0x01;
        p[V] = value;
        return p;
    }
};

} // namespace vorlane
