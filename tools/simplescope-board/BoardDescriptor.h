#pragma once

#include <array>
#include <cstdint>

#include "protocol/BoardProtocol.h"

// The experiment board's report descriptor: vendor page 0xFF00, usage 1, a 64-byte input
// report and an 8-byte output report, no report ids.
inline constexpr std::array<uint8_t, 27> kBoardReportDescriptor = {
    0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x15, 0x00, 0x26, 0xff, 0x00, 0x75, 0x08,
    0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x08, 0x09, 0x02, 0x91, 0x02, 0xc0};

inline constexpr uint16_t kBoardVendorId = BoardProtocol::kVendorId;
inline constexpr uint16_t kBoardProductId = BoardProtocol::kProductId;
inline constexpr int kBoardInputReportSize = BoardProtocol::kBlockBytes;
inline constexpr int kBoardSamplesPerBlock = BoardProtocol::kSamplesPerBlock;
