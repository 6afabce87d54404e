#include <windows.h>

#include <QWinEventNotifier>

#include "EventLoopNudge.h"

// An auto-reset event: the wait that reports it to the event loop also clears it, as reading
// the eventfd does on Linux.
TEventLoopNudge::TEventLoopNudge()
    : waitObject_(reinterpret_cast<intptr_t>(CreateEventW(nullptr, FALSE, FALSE, nullptr))) {}

TEventLoopNudge::~TEventLoopNudge() {
  if (Valid()) CloseHandle(reinterpret_cast<HANDLE>(waitObject_));
}

bool TEventLoopNudge::Valid() const {
  return waitObject_ != 0;
}

void TEventLoopNudge::Nudge() {
  if (Valid()) SetEvent(reinterpret_cast<HANDLE>(waitObject_));
}

void TEventLoopNudge::Watch(QObject* parent, std::function<void()> onNudge) {
  if (watcher_ || !Valid()) return;
  auto* notifier = new QWinEventNotifier(reinterpret_cast<HANDLE>(waitObject_), parent);
  QObject::connect(notifier, &QWinEventNotifier::activated,
                   [onNudge = std::move(onNudge)] { onNudge(); });
  QObject::connect(notifier, &QObject::destroyed, [this] { watcher_ = nullptr; });
  watcher_ = notifier;
}
