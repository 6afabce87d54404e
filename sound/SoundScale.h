#pragma once

#include <algorithm>
#include <cmath>

// The scale a voltage is heard at, fixed so that a teacher can explain it and a test can check
// it: three octaves over the board's range, -5 V at C3 (130.81 Hz), 0 V at 370 Hz, +5 V at C6
// (1046.5 Hz); voltages beyond the range are held at its ends.
namespace SoundScale {

// A trace played or saved whole is 44.1 kHz; live sound, which runs as long as the board is
// measured, a quarter of that: every tone of the scale, the highest harmonic of the rough one
// below 0 V (2.6 kHz) and the live tick (4 kHz) still lie below its half, 5.5 kHz, so nothing
// folds back into what is heard, at a quarter of the work.
inline constexpr int kSampleRate = 44100;
inline constexpr int kLiveSampleRate = 11025;
inline constexpr double kLowestVolts = -5.0;
inline constexpr double kHighestVolts = 5.0;
inline constexpr double kLowestHz = 130.81;
// Octaves over the whole range of 10 V.
inline constexpr double kOctaves = 3.0;

// What a value is heard as: held to the range; not a number counts as 0 V.
inline double HeldVolts(double volts) {
  if (std::isnan(volts)) return 0.0;
  return std::clamp(volts, kLowestVolts, kHighestVolts);
}

inline double PitchHz(double volts) {
  const double held = HeldVolts(volts);
  return kLowestHz * std::exp2(kOctaves * (held - kLowestVolts) / (kHighestVolts - kLowestVolts));
}

}  // namespace SoundScale
