#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "BoardOptions.h"
#include "BoardSignal.h"

// The board's side of the conversation, whatever carries it: takes the output reports the
// host writes and says which answers go back when, with the faults the options ask for.
class TBoardResponder {
 public:
  using Clock = std::chrono::steady_clock;

  explicit TBoardResponder(const TBoardOptions& options);

  // An output report as the host wrote it: the report id 0, then the command bytes.
  void OnOutputReport(const uint8_t* data, size_t size, Clock::time_point now);
  // The answers whose time has come, oldest first.
  std::vector<std::vector<uint8_t>> TakeDueAnswers(Clock::time_point now);
  // When the next answer falls due, if one is waiting.
  std::optional<Clock::time_point> NextDue() const;

  // A request for samples: every command byte after the report id is 3.
  static bool IsSampleCommand(const uint8_t* data, size_t size);
  // A poll() timeout that ends at `wake`: -1 (none) without one, 0 once it has passed.
  static int PollTimeoutUntil(std::optional<Clock::time_point> wake);

  uint64_t CommandsSeen() const { return commandsSeen_; }
  const TBoardSignal& Signal() const { return signal_; }

 private:
  struct TPendingAnswer {
    Clock::time_point due;
    std::vector<uint8_t> bytes;
  };
  TBoardOptions options_;
  TBoardSignal signal_;
  std::deque<TPendingAnswer> pending_;
  uint64_t commandsSeen_ = 0;
};
