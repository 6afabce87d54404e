#pragma once

#include <array>
#include <cstdint>

// The experiment board's report descriptor: vendor page 0xFF00, usage 1, a 64-byte input
// report and an 8-byte output report, no report ids.
inline constexpr std::array<uint8_t, 27> kBoardReportDescriptor = {
    0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x15, 0x00, 0x26, 0xff, 0x00, 0x75, 0x08,
    0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x08, 0x09, 0x02, 0x91, 0x02, 0xc0};

inline constexpr uint16_t kBoardVendorId = 0x21CF;
inline constexpr uint16_t kBoardProductId = 0x0004;
inline constexpr int kBoardInputReportSize = 64;
inline constexpr int kBoardSamplesPerBlock = 32;
