#include "BoardResponder.h"

#include <algorithm>
#include <cstdint>

TBoardResponder::TBoardResponder(const TBoardOptions& options)
    : options_(options), signal_(options.signal) {}

bool TBoardResponder::IsSampleCommand(const uint8_t* data, size_t size) {
  if (size < 2 || data[0] != 0) return false;
  for (size_t i = 1; i < size; ++i)
    if (data[i] != 3) return false;
  return true;
}

void TBoardResponder::OnOutputReport(const uint8_t* data, size_t size, Clock::time_point now) {
  ++commandsSeen_;
  if (options_.silent || !IsSampleCommand(data, size)) return;
  std::vector<uint8_t> block = signal_.NextBlock();
  if (options_.shortAnswerBytes >= 0) block.resize(options_.shortAnswerBytes);
  // Answers keep their order: every one waits the same time.
  pending_.push_back({now + std::chrono::milliseconds(options_.answerDelayMs), std::move(block)});
}

std::vector<std::vector<uint8_t>> TBoardResponder::TakeDueAnswers(Clock::time_point now) {
  std::vector<std::vector<uint8_t>> due;
  while (!pending_.empty() && pending_.front().due <= now) {
    due.push_back(std::move(pending_.front().bytes));
    pending_.pop_front();
  }
  return due;
}

int TBoardResponder::PollTimeoutUntil(std::optional<Clock::time_point> wake) {
  if (!wake) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wake - Clock::now()).count();
  return static_cast<int>(std::clamp<int64_t>(left, 0, INT32_MAX));
}

std::optional<TBoardResponder::Clock::time_point> TBoardResponder::NextDue() const {
  if (pending_.empty()) return std::nullopt;
  return pending_.front().due;
}
