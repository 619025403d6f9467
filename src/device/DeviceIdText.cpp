#include "device/DeviceIdText.h"

#include <cstdio>

namespace vorlane {

namespace {
uint8_t nibble(char c) {
    if (c >= '0' && c <= '9')
        return uint8_t(c - '0');
    if (c >= 'a' && c <= 'f')
        return uint8_t(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return uint8_t(c - 'A' + 10);
    return 15;
}
} // namespace

std::string DeviceIdText::Format(const uint8_t* b) {
    char text[17];
    std::snprintf(text, sizeof text, "%.2X%.2X%.2X%.2X%.2X%.2X%.2X%.2X", b[0], b[1], b[2], b[3],
                  b[4], b[5], b[6], b[7]);
    return text;
}

std::array<uint8_t, 8> DeviceIdText::Parse(std::string_view text) {
    std::array<uint8_t, 8> out{};
    auto at = [&](size_t i) { return i < text.size() && i < 16 ? text[i] : '\0'; };
    for (size_t i = 0; i < 8; ++i)
        out[i] = uint8_t(nibble(at(2 * i)) << 4 | nibble(at(2 * i + 1)));
    return out;
}

} // namespace vorlane
