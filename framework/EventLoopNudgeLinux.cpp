#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "EventLoopNudge.h"

TEventLoopNudge::TEventLoopNudge() : waitObject_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TEventLoopNudge::~TEventLoopNudge() {
  if (Valid()) close(static_cast<int>(waitObject_));
}

bool TEventLoopNudge::Valid() const {
  return waitObject_ >= 0;
}

void TEventLoopNudge::Nudge() {
  const uint64_t one = 1;
  if (Valid()) (void)!write(static_cast<int>(waitObject_), &one, sizeof one);
}

void TEventLoopNudge::Watch(QObject* parent, std::function<void()> onNudge) {
  if (watcher_ || !Valid()) return;
  const int fd = static_cast<int>(waitObject_);
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, parent);
  QObject::connect(notifier, &QSocketNotifier::activated, [fd, onNudge = std::move(onNudge)] {
    uint64_t count;
    (void)!read(fd, &count, sizeof count);
    onNudge();
  });
  QObject::connect(notifier, &QObject::destroyed, [this] { watcher_ = nullptr; });
  watcher_ = notifier;
}
