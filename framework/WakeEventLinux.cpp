#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "WakeEvent.h"

// Non-blocking, so that using up a signal that is not there returns at once.
TWakeEvent::TWakeEvent()
    : object_(TSystemHandle::FromDescriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))) {}

TWakeEvent::~TWakeEvent() {
  if (Valid()) close(object_.Descriptor());
}

void TWakeEvent::Signal() {
  const uint64_t one = 1;
  if (Valid()) (void)!write(object_.Descriptor(), &one, sizeof one);
}

void TWakeEvent::Sleep(int timeoutMs) {
  pollfd wake{object_.Descriptor(), POLLIN, 0};
  if (poll(&wake, Valid() ? 1 : 0, timeoutMs) > 0) Clear();
}

void TWakeEvent::Clear() {
  uint64_t count;
  if (Valid()) (void)!read(object_.Descriptor(), &count, sizeof count);
}
