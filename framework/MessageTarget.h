#pragma once

#include <functional>
#include <memory>

#include "framework/SystemHandle.h"

class QObject;

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
  // Runs onReady on the main thread whenever the object is ready: a descriptor with
  // something to read (Linux), an event that is signalled (Windows).
  void Watch(TSystemHandle object, std::function<void()> onReady);
  void StopWatching();

 private:
  std::unique_ptr<QObject> receiver_;
  std::unique_ptr<QObject> watcher_;
};

// The system's watcher of one object, in the platform's file: a socket notifier on a
// descriptor, or a wait of the thread pool on a HANDLE. Runs onReady on the main thread while
// both the watch and context live.
std::unique_ptr<QObject> WatchSystemObject(TSystemHandle object, QObject* context,
                                           std::function<void()> onReady);
