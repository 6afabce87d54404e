#pragma once

#include <QTimer>
#include <cstdint>

#include "Component.h"
#include "Event.h"

// A periodic timer on the main thread. It runs while Enabled, with a non-zero Interval and
// an assigned OnTimer. Each tick is run from the event queue rather than inside Qt's timer
// dispatch, so a handler that processes messages for longer than the interval sees the next
// tick run nested inside it, as the window's logic expects of its timer.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t milliseconds);
  void SetOnTimer(TNotifyEvent handler);

  // One tick, as the queue delivers it: nothing when the timer was switched off meanwhile.
  void Tick();

 private:
  void Update();

  bool enabled_ = true;
  uint32_t interval_ = 1000;
  TNotifyEvent onTimer_;
  uint64_t generation_ = 0;
  QTimer timer_;
};
