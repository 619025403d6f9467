#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane {

// Text forms of the 8-byte hardware and user ids.
class DeviceIdText {
public:
    // 16 upper-case hex digits.
    static std::string Format(const uint8_t* bytes8);
    // The first 16 characters as 8 pairs of hex digits. A character that is not a hex
    // digit, or is missing, counts as 15.
    static std::array<uint8_t, 8> Parse(std::string_view text);
};

} // namespace vorlane
