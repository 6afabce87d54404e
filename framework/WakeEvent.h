#pragma once

#include "framework/SystemHandle.h"

// A wait object of the system that any thread can signal: an eventfd on Linux, an
// auto-reset event object on Windows. One thread sleeps on it, alone (Sleep) or beside other
// objects (a device's read, the event loop's watch on Object()). Signals that come before
// the waiter gets round to them count as one.
class TWakeEvent {
 public:
  TWakeEvent();
  ~TWakeEvent();
  TWakeEvent(const TWakeEvent&) = delete;
  TWakeEvent& operator=(const TWakeEvent&) = delete;

  // False when the system gave no wait object: signals then do nothing, and Sleep only sleeps.
  bool Valid() const { return object_.Valid(); }
  // Any thread.
  void Signal();
  // Sleeps up to timeoutMs (-1: until signalled); a signal ends it early and is used up.
  void Sleep(int timeoutMs);
  // Uses up a signal that a wait beside other objects has seen, without sleeping.
  void Clear();
  // What a wait beside other objects waits on: the descriptor, or the event's HANDLE.
  TSystemHandle Object() const { return object_; }

 private:
  TSystemHandle object_;
};
