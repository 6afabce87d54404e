#include "MessageTarget.h"

#include <QObject>
#include <QSocketNotifier>
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

void TMessageTarget::WatchReadable(int fd, std::function<void()> onReadable) {
  StopWatching();
  notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, receiver_.get(),
                   [onReadable = std::move(onReadable)] { RunHandlerGuarded(onReadable); });
}

void TMessageTarget::StopWatching() {
  notifier_.reset();
}
