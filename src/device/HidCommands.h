#pragma once

#include <cstdint>

// Command bytes of the report protocol (byte 0 of a payload).
namespace vorlane::hidcmd {
inline constexpr uint8_t GetType = 0x80;
inline constexpr uint8_t GetHardwareId = 0x82;
inline constexpr uint8_t Switch = 0x83;
inline constexpr uint8_t Led = 0x05;
inline constexpr uint8_t WriteUserId = 0x2F;
inline constexpr uint8_t ReadUserId = 0x9F;
// Sub-codes (byte 1).
inline constexpr uint8_t SubSimple = 0x01;
inline constexpr uint8_t SubUserId = 0x08;
inline constexpr uint8_t SubHardwareId = 0x0B;
} // namespace vorlane::hidcmd
