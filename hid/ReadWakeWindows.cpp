#include <windows.h>

#include "ReadWake.h"

// An auto-reset event: the wait that sees it also clears it, as reading the eventfd does on
// Linux.
THidReadWake::THidReadWake()
    : waitObject_(reinterpret_cast<intptr_t>(CreateEventW(nullptr, FALSE, FALSE, nullptr))) {}

THidReadWake::~THidReadWake() {
  if (waitObject_ != 0) CloseHandle(reinterpret_cast<HANDLE>(waitObject_));
}

void THidReadWake::Signal() {
  if (waitObject_ != 0) SetEvent(reinterpret_cast<HANDLE>(waitObject_));
}

void THidReadWake::Sleep(int timeoutMs) {
  if (waitObject_ == 0) {
    ::Sleep(static_cast<DWORD>(timeoutMs));
    return;
  }
  WaitForSingleObject(reinterpret_cast<HANDLE>(waitObject_),
                      timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
}

TSystemHandle THidReadWake::Object() const {
  return TSystemHandle::FromHandle(reinterpret_cast<HANDLE>(waitObject_));
}
