#include "Timer.h"

#include <algorithm>

#include "Dialogs.h"
#include "SystemTimer.h"

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

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
  timer_.reset();
  if (enabled_ && interval_ != 0 && onTimer_)
    timer_ = StartSystemTimer(static_cast<int>(std::min<uint32_t>(interval_, INT32_MAX)), true,
                              [this] { Tick(); });
}

void TTimer::Tick() {
  if (!enabled_ || interval_ == 0 || !onTimer_) return;
  RunHandlerGuarded([this] { onTimer_(this); });
}
