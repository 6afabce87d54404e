#pragma once

#include <functional>
#include <memory>

class QObject;
class QSocketNotifier;

// A hidden receiver of messages on the main thread, for components without a window:
// what it is posted runs later from the event loop (never inside the poster's own call),
// and nothing posted to it runs once it is gone. Handler errors go to the default report.
class TMessageTarget {
 public:
  TMessageTarget();
  ~TMessageTarget();
  TMessageTarget(const TMessageTarget&) = delete;
  TMessageTarget& operator=(const TMessageTarget&) = delete;

  void Post(std::function<void()> call);
  void PostDelayed(int milliseconds, std::function<void()> call);
  // Runs onReadable on the main thread whenever fd has something to read.
  void WatchReadable(int fd, std::function<void()> onReadable);
  void StopWatching();

 private:
  std::unique_ptr<QObject> receiver_;
  std::unique_ptr<QSocketNotifier> notifier_;
};
