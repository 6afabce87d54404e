#pragma once

#include <functional>
#include <memory>

class TMessageTarget;

// Ctrl+C (SIGINT), SIGTERM and SIGHUP as messages on the main thread, so a recording ends
// between two blocks, never inside the write of one. A second signal while the first is
// still being handled ends the program at once, as the signal would by default.
class TStopSignals {
 public:
  // Holds the three signals back from the calling thread and every thread made after it:
  // call first thing in main, before any thread exists.
  static void Block();

  explicit TStopSignals(std::function<void(int signal)> onStop);
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

 private:
  void Arrived();

  int fd_ = -1;
  int received_ = 0;
  std::function<void(int)> onStop_;
  std::unique_ptr<TMessageTarget> target_;
};
