#pragma once

#include <cstdint>

// Colours as 32-bit values: red in the low byte, green in the next, blue in the third.
using TColor = uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clNone = 0x1FFFFFFF;
// Stored for a point that takes its series' colour; also "take the colour from elsewhere".
constexpr TColor DefaultPointColor = 0x80000000;
