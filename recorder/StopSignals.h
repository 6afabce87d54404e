#pragma once

#include <functional>
#include <memory>

#include "framework/SystemHandle.h"

class TMessageTarget;

// Ctrl+C (SIGINT), SIGTERM and SIGHUP on Linux, and on Windows the console's Ctrl+C,
// Ctrl+Break and close and the end of the session (log-off, shut-down: told to a hidden
// window of its own), as messages on the main thread, so a recording ends between two
// blocks, never inside the write of one. A second one while the
// first is still being handled ends the program at once, as it would by default. One file
// per platform.
class TStopSignals {
 public:
  // Holds the three signals back from the calling thread and every thread made after it,
  // and makes a pipe whose reader went away (`| head`) a failed write with a reason rather
  // than a silent death: call first thing in main, before any thread exists. (Windows has
  // nothing to hold back.)
  static void Block();

  explicit TStopSignals(std::function<void(int signal)> onStop);
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

 private:
  void Arrived();

  TSystemHandle object_;  // the signalfd, or the event the console's handler sets
  int received_ = 0;
  std::function<void(int)> onStop_;
  std::unique_ptr<TMessageTarget> target_;
};
