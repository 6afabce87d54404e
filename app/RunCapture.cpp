#include "RunCapture.h"

#include <algorithm>
#include <climits>

void TRunCapture::StartRun() {
  store_.StartRun(std::chrono::system_clock::now());
  answer_.NewAnswer();
  start_ = clock_();
  running_ = true;
  awaitingAnswer_ = false;
}

void TRunCapture::CommandSent() {
  answer_.NewAnswer();
  if (!running_) return;
  // The last command's answer never came: the block it stood for is missing.
  if (awaitingAnswer_) store_.MarkGap();
  awaitingAnswer_ = true;
}

void TRunCapture::TakeReport(const uint8_t* data, uint16_t size) {
  if (!running_) return;
  BoardProtocol::TSampleBlock block;
  if (!answer_.Take(data, size, block)) return;
  awaitingAnswer_ = false;
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(clock_() - start_).count();
  store_.AppendBlock(block, static_cast<int32_t>(std::min<int64_t>(elapsed, INT32_MAX)));
}
