#include "Timer.h"

#include "Dialogs.h"

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
    // A tick queued before the timer was switched off or re-armed must not run.
    QMetaObject::invokeMethod(
        &timer_,
        [this, generation = generation_] {
          if (generation == generation_) Tick();
        },
        Qt::QueuedConnection);
  });
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void TTimer::SetInterval(uint32_t milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Update();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  onTimer_ = handler;
  Update();
}

void TTimer::Update() {
  timer_.stop();
  ++generation_;
  if (enabled_ && interval_ != 0 && onTimer_)
    timer_.start(static_cast<int>(std::min<uint32_t>(interval_, INT32_MAX)));
}

void TTimer::Tick() {
  if (!enabled_ || interval_ == 0 || !onTimer_) return;
  RunHandlerGuarded([this] { onTimer_(this); });
}
