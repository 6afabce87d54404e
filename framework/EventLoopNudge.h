#pragma once

#include <cstdint>
#include <functional>

class QObject;

// Wakes the main thread's event loop from any thread through a wait object of the system (an
// eventfd on Linux, an event object on Windows), so a worker never touches a Qt object of the
// main thread. Nudges that come before the loop gets round to them count as one.
class TEventLoopNudge {
 public:
  TEventLoopNudge();
  ~TEventLoopNudge();
  TEventLoopNudge(const TEventLoopNudge&) = delete;
  TEventLoopNudge& operator=(const TEventLoopNudge&) = delete;

  // False when the system gave no wait object: nudges then do nothing.
  bool Valid() const;
  // Any thread.
  void Nudge();
  // Main thread: from now on the event loop runs `onNudge` after nudges, through a watcher
  // that is a child of `parent` (and ends with it). Harmless to repeat while one watches.
  void Watch(QObject* parent, std::function<void()> onNudge);
  bool Watching() const { return watcher_ != nullptr; }

 private:
  intptr_t waitObject_;  // the eventfd, or the event's HANDLE
  QObject* watcher_ = nullptr;
};
