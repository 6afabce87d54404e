#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "app/RunStore.h"
#include "protocol/BoardProtocol.h"

// Keeps the window's runs: from each start of measuring to its stop, every block the board
// answers with, from the data handler on (the blocks a busy tick leaves off the screen
// included), with the time it came since the start. A command that got no block before the
// next one went out leaves a gap. All of it runs on the main thread, a few hundred
// instructions a block.
class TRunCapture {
 public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;

  explicit TRunCapture(TRunStore& store, TClock clock = &std::chrono::steady_clock::now)
      : store_(store), clock_(std::move(clock)) {}

  // Measuring starts: a new run.
  void StartRun();
  // Measuring stops: the run stays as it is.
  void StopRun() { running_ = false; }
  bool Running() const { return running_; }
  // A command went out to the board.
  void CommandSent();
  // An input report from the board.
  void TakeReport(const uint8_t* data, uint16_t size);

 private:
  TRunStore& store_;
  TClock clock_;
  BoardProtocol::TAnswerAssembler answer_;
  std::chrono::steady_clock::time_point start_;
  bool running_ = false;
  bool awaitingAnswer_ = false;
};
