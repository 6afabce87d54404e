#include <QWinEventNotifier>

#include "MessageTarget.h"

// The event's owner decides how it is reset: the handler it runs is where a manual-reset
// event is cleared, before the notifier waits on it again.
std::unique_ptr<QObject> WatchSystemObject(TSystemHandle object, QObject* context,
                                           std::function<void()> onReady) {
  auto notifier = std::make_unique<QWinEventNotifier>(object.Handle());
  QObject::connect(notifier.get(), &QWinEventNotifier::activated, context,
                   [onReady = std::move(onReady)] { onReady(); });
  return notifier;
}
