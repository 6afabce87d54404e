#include "MessageTarget.h"

#include <QObject>
#include <QTimer>

#include "Dialogs.h"

TMessageTarget::TMessageTarget() : receiver_(std::make_unique<QObject>()) {}

TMessageTarget::~TMessageTarget() {
  StopWatching();
}

void TMessageTarget::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(
      receiver_.get(), [call = std::move(call)] { RunHandlerGuarded(call); }, Qt::QueuedConnection);
}

void TMessageTarget::PostDelayed(int milliseconds, std::function<void()> call) {
  QTimer::singleShot(milliseconds, receiver_.get(),
                     [call = std::move(call)] { RunHandlerGuarded(call); });
}

void TMessageTarget::Watch(TSystemHandle object, std::function<void()> onReady) {
  StopWatching();
  if (!object.Valid()) return;
  watcher_ = WatchSystemObject(object, receiver_.get(),
                               [onReady = std::move(onReady)] { RunHandlerGuarded(onReady); });
}

void TMessageTarget::StopWatching() {
  watcher_.reset();
}
