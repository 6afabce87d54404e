#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <span>
#include <vector>

#include "sound/SoundScale.h"

// Measurements of rendered or recorded sound, as a listener's ear or a tuner would take
// them: from the samples alone.
namespace SoundAnalysis {

// The pitch of samples [begin, end) from their upward zero crossings, each placed between
// two samples by a straight line: 0 with fewer than two.
inline double PitchHz(std::span<const std::int16_t> sound, std::size_t begin, std::size_t end,
                      int sampleRate = SoundScale::kSampleRate) {
  double first = -1.0, last = -1.0;
  int crossings = 0;
  for (std::size_t i = begin + 1; i < end && i < sound.size(); ++i) {
    const double before = sound[i - 1], after = sound[i];
    if (before < 0 && after >= 0) {
      const double at = static_cast<double>(i - 1) + -before / (after - before);
      if (crossings == 0) first = at;
      last = at;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return (crossings - 1) * sampleRate / (last - first);
}

// The strength of one frequency in samples [begin, end) (Goertzel), as the amplitude of a
// sine at full scale 1.
inline double Amplitude(std::span<const std::int16_t> sound, std::size_t begin, std::size_t end,
                        double hz, int sampleRate = SoundScale::kSampleRate) {
  const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / sampleRate);
  double previous = 0, beforePrevious = 0;
  for (std::size_t i = begin; i < end; ++i) {
    const double current = sound[i] / 32767.0 + coefficient * previous - beforePrevious;
    beforePrevious = previous;
    previous = current;
  }
  const double power = previous * previous + beforePrevious * beforePrevious -
                       coefficient * previous * beforePrevious;
  return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(end - begin);
}

// The largest step from one sample to the next in [begin, end).
inline int LargestStep(std::span<const std::int16_t> sound, std::size_t begin, std::size_t end) {
  int largest = 0;
  for (std::size_t i = begin + 1; i < end; ++i)
    largest = std::max(largest, std::abs(sound[i] - sound[i - 1]));
  return largest;
}

// Where short bursts far above the tones sound (the ticks): the fourth difference, which
// passes 6 kHz about 25 times more than the highest harmonic of the scale's tones at 44.1 kHz
// (4 kHz at 11.025 kHz, 3.4 times), above `threshold` (full scale 1); a burst is the sample where
// it is largest, and bursts are at least `apart` samples apart.
inline std::vector<std::size_t> Bursts(std::span<const std::int16_t> sound, double threshold,
                                       std::size_t apart) {
  std::vector<std::size_t> bursts;
  double peak = 0;
  std::size_t peakAt = 0, lastAbove = 0;
  bool inBurst = false;
  for (std::size_t i = 2; i + 2 < sound.size(); ++i) {
    const double difference = std::abs(sound[i - 2] - 4.0 * sound[i - 1] + 6.0 * sound[i] -
                                       4.0 * sound[i + 1] + sound[i + 2]) /
                              32767.0;
    if (difference > threshold) {
      if (!inBurst || i - lastAbove > apart) {
        if (inBurst) bursts.push_back(peakAt);
        inBurst = true;
        peak = 0;
      }
      if (difference > peak) {
        peak = difference;
        peakAt = i;
      }
      lastAbove = i;
    }
  }
  if (inBurst) bursts.push_back(peakAt);
  return bursts;
}

}  // namespace SoundAnalysis
