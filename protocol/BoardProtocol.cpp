#include "BoardProtocol.h"

namespace BoardProtocol {

TSampleBlock DecodeBlock(const uint8_t* bytes) {
  TSampleBlock samples{};
  for (int k = 0; k < kSamplesPerBlock; ++k)
    samples[k] = RawFromBytes(bytes[2 * k], bytes[2 * k + 1]);
  return samples;
}

std::vector<uint8_t> CommandReport(size_t reportLength) {
  std::vector<uint8_t> report(reportLength, kSampleCommand);
  if (!report.empty()) report[0] = 0;
  return report;
}

}  // namespace BoardProtocol
