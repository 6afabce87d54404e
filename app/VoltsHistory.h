#pragma once

#include <vector>

// The sample history at the board's resolution: the same entries as the window's 0.1 V texts
// (newest first, at most `limit`), each the board's own value in volts. The texts draw the
// trace; every number the window shows or hands out is read from here. A ring, so a tick's
// 32 new values move nothing and allocate nothing.
class TVoltsHistory {
 public:
  explicit TVoltsHistory(int limit) : ring_(limit > 0 ? limit : 1) {}

  void Clear() { count_ = 0; }
  // The value becomes entry 0; past the limit the oldest goes.
  void AddNewest(double volts) {
    newest_ = newest_ == 0 ? Limit() - 1 : newest_ - 1;
    ring_[newest_] = volts;
    if (count_ < Limit()) ++count_;
  }
  int Count() const { return count_; }
  int Limit() const { return static_cast<int>(ring_.size()); }
  // Entry 0 is the newest; `index` lies in [0, Count()).
  double At(int index) const {
    const int at = newest_ + index;
    return ring_[at < Limit() ? at : at - Limit()];
  }

 private:
  std::vector<double> ring_;
  int newest_ = 0;  // where entry 0 lies in the ring
  int count_ = 0;
};
