#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// What every program that talks to the experiment board knows of it: how it is recognised,
// the command that asks it for samples and the block of samples it answers with.
namespace BoardProtocol {

inline constexpr uint16_t kVendorId = 0x21CF;
inline constexpr uint16_t kProductId = 0x0004;

// Every byte after the report id of the command report holds this value.
inline constexpr uint8_t kSampleCommand = 3;

// The answer: 32 unsigned 16-bit samples, little-endian (byte 2k low, 2k+1 high), oldest
// first.
inline constexpr int kSamplesPerBlock = 32;
inline constexpr int kBlockBytes = 2 * kSamplesPerBlock;

// 512 counts are 0 V and 102.4 counts one volt: 0..1023 spans -5 V to just under +5 V.
inline constexpr double kZeroVoltRaw = 512.0;
inline constexpr double kCountsPerVolt = 102.4;

constexpr bool IsBoard(uint16_t vendor, uint16_t product) {
  return vendor == kVendorId && product == kProductId;
}

constexpr uint16_t RawFromBytes(uint8_t low, uint8_t high) {
  return static_cast<uint16_t>(high * 256 + low);
}

// No range check: any count converts by the same formula (65535 gives 634.990234375).
constexpr double VoltsFromRaw(int32_t raw) {
  return (raw - kZeroVoltRaw) / kCountsPerVolt;
}

using TSampleBlock = std::array<uint16_t, kSamplesPerBlock>;

// The samples of one whole answer; `bytes` holds at least kBlockBytes bytes.
TSampleBlock DecodeBlock(const uint8_t* bytes);

// Puts the board's answers together from its input reports. An answer normally is one report
// of 64 bytes or more (bytes beyond the block are not samples); shorter reports are joined
// until a block's bytes have come. A new command starts a new answer: what came of the last
// one would not be completed by the next answer's bytes.
class TAnswerAssembler {
 public:
  void NewAnswer() { pending_.clear(); }
  // True when this report completes a block, which is then in `block`.
  bool Take(const uint8_t* data, size_t size, TSampleBlock& block);

 private:
  std::vector<uint8_t> pending_;
};

// The command report of `reportLength` bytes (the report id 0, then the command value in
// every other byte); empty for a length of 0.
std::vector<uint8_t> CommandReport(size_t reportLength);

}  // namespace BoardProtocol
