#pragma once

#include <cstdint>

#include "framework/SystemHandle.h"

// What ends a reader's wait early (a stop request, or its handle about to close): a wait
// object of the system that any thread can signal and the reader sleeps on, alone or (in the
// platform's Read) beside the device.
class THidReadWake {
 public:
  THidReadWake();
  ~THidReadWake();
  THidReadWake(const THidReadWake&) = delete;
  THidReadWake& operator=(const THidReadWake&) = delete;

  // Any thread. Signals that come before the reader gets round to them count as one.
  void Signal();
  // Sleeps up to timeoutMs; a signal ends it early, and is used up.
  void Sleep(int timeoutMs);
  // What the platform's Read waits on beside the device: the eventfd, or the event.
  TSystemHandle Object() const;

 private:
  intptr_t waitObject_;  // the eventfd, or the event's HANDLE
};
