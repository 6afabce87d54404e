#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "ReadWake.h"

THidReadWake::THidReadWake() : waitObject_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

THidReadWake::~THidReadWake() {
  if (waitObject_ >= 0) close(Object().Descriptor());
}

void THidReadWake::Signal() {
  const uint64_t one = 1;
  if (waitObject_ >= 0) (void)!write(Object().Descriptor(), &one, sizeof one);
}

void THidReadWake::Sleep(int timeoutMs) {
  pollfd wake{Object().Descriptor(), POLLIN, 0};
  if (poll(&wake, 1, timeoutMs) > 0) {
    uint64_t count;
    (void)!read(wake.fd, &count, sizeof count);
  }
}

TSystemHandle THidReadWake::Object() const {
  return TSystemHandle::FromDescriptor(static_cast<int>(waitObject_));
}
