#include <QSocketNotifier>

#include "MessageTarget.h"

std::unique_ptr<QObject> WatchSystemObject(TSystemHandle object, QObject* context,
                                           std::function<void()> onReady) {
  auto notifier = std::make_unique<QSocketNotifier>(object.Descriptor(), QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, context,
                   [onReady = std::move(onReady)] { onReady(); });
  return notifier;
}
