#pragma once

#include <QObject>
#include <cstdint>
#include <memory>

#include "Component.h"
#include "Event.h"

// A periodic timer on the main thread. It runs while Enabled, with a non-zero Interval and
// an assigned OnTimer. Each tick runs from the message loop rather than inside Qt's timer
// dispatch (SystemTimer.h), so a handler that processes messages for longer than the interval
// sees the next tick run nested inside it, as the window's logic expects of its timer.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t milliseconds);
  void SetOnTimer(TNotifyEvent handler);

 private:
  void Update();
  void Tick();

  bool enabled_ = true;
  uint32_t interval_ = 1000;
  TNotifyEvent onTimer_;
  // Restarted whenever one of the above changes; a tick of the old one never runs.
  std::unique_ptr<QObject> timer_;
};
