#include "SystemTimer.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

class TQueuedQtTimer : public QObject {
 public:
  TQueuedQtTimer(int intervalMs, bool repeating, std::function<void()> onTimeout)
      : shared_(std::make_shared<TShared>()) {
    shared_->onTimeout = std::move(onTimeout);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(!repeating);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Queue(); });
    timer_.start(intervalMs);
  }

 private:
  struct TShared {
    std::function<void()> onTimeout;
    bool queued = false;
  };

  // Qt's timer event is over before the call runs. The call is queued to the application,
  // not to this object: its handler may end this timer (a handler's own object must not be
  // deleted while Qt delivers it an event), and what is still queued then runs nothing.
  void Queue() {
    if (shared_->queued) return;
    shared_->queued = true;
    QObject* receiver = QCoreApplication::instance();
    QMetaObject::invokeMethod(
        receiver ? receiver : this,
        [weak = std::weak_ptr<TShared>(shared_)] {
          const std::shared_ptr<TShared> shared = weak.lock();
          if (!shared) return;
          shared->queued = false;
          const std::function<void()> onTimeout = shared->onTimeout;
          onTimeout();
        },
        Qt::QueuedConnection);
  }

  std::shared_ptr<TShared> shared_;
  QTimer timer_;
};

}  // namespace

std::unique_ptr<QObject> StartQueuedQtTimer(int intervalMs, bool repeating,
                                            std::function<void()> onTimeout) {
  return std::make_unique<TQueuedQtTimer>(intervalMs, repeating, std::move(onTimeout));
}
