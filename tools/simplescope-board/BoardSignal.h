#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "protocol/BoardProtocol.h"

// What the virtual board measures. Samples are the board's raw counts: 512 is 0 V and a
// volt is 102.4 counts, so the 10-bit range 0..1023 spans -5 V to just under +5 V.
enum class TSignalKind { Sine, Square, Triangle, Noise, Constant, File };

struct TSignalSettings {
  TSignalKind kind = TSignalKind::Sine;
  double periodSamples = 64;  // one period of sine, square or triangle, in samples
  double amplitudeVolts = 2.0;
  double offsetVolts = 0.0;
  uint32_t seed = 1;                // noise
  std::vector<uint16_t> rawValues;  // a file's values, repeated
};

class TBoardSignal {
 public:
  static constexpr double kZeroVoltCount = BoardProtocol::kZeroVoltRaw;
  static constexpr double kCountsPerVolt = BoardProtocol::kCountsPerVolt;
  static constexpr int kMaxCount = 1023;

  explicit TBoardSignal(TSignalSettings settings);

  // The next sample; the signal goes on from one block to the next.
  uint16_t NextSample();
  // The next 32 samples as the board sends them: 16 bits each, low byte first.
  std::vector<uint8_t> NextBlock();
  uint64_t SamplesSent() const { return index_; }

  // The count for a voltage, rounded and kept inside the converter's range.
  static uint16_t CountFor(double volts);
  // Reads a file of raw counts: decimal or 0x-prefixed numbers separated by white space or
  // commas, '#' starting a comment. Throws std::runtime_error with the line on bad input.
  static std::vector<uint16_t> ReadRawValues(const std::string& path);

 private:
  double VoltsAt(uint64_t index);

  TSignalSettings settings_;
  uint64_t index_ = 0;
  std::mt19937 random_;
};
