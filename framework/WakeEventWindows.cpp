#include <windows.h>

#include "WakeEvent.h"

// An auto-reset event: the wait that sees it also clears it, as reading the eventfd does on
// Linux.
TWakeEvent::TWakeEvent()
    : object_(TSystemHandle::FromHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr))) {}

TWakeEvent::~TWakeEvent() {
  if (Valid()) CloseHandle(object_.Handle());
}

void TWakeEvent::Signal() {
  if (Valid()) SetEvent(object_.Handle());
}

void TWakeEvent::Sleep(int timeoutMs) {
  const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  if (!Valid()) {
    ::Sleep(timeout);
    return;
  }
  WaitForSingleObject(object_.Handle(), timeout);
}

void TWakeEvent::Clear() {
  if (Valid()) WaitForSingleObject(object_.Handle(), 0);
}
