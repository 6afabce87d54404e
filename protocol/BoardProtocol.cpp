#include "BoardProtocol.h"

namespace BoardProtocol {

TSampleBlock DecodeBlock(const uint8_t* bytes) {
  TSampleBlock samples{};
  for (int k = 0; k < kSamplesPerBlock; ++k)
    samples[k] = RawFromBytes(bytes[2 * k], bytes[2 * k + 1]);
  return samples;
}

bool TAnswerAssembler::Take(const uint8_t* data, size_t size, TSampleBlock& block) {
  if (pending_.empty() && size >= kBlockBytes) {
    block = DecodeBlock(data);
    return true;
  }
  pending_.insert(pending_.end(), data, data + size);
  if (pending_.size() < kBlockBytes) return false;
  block = DecodeBlock(pending_.data());
  pending_.clear();
  return true;
}

std::vector<uint8_t> CommandReport(size_t reportLength) {
  std::vector<uint8_t> report(reportLength, kSampleCommand);
  if (!report.empty()) report[0] = 0;
  return report;
}

}  // namespace BoardProtocol
