#include "VoltsHistory.h"

void TVoltsHistory::AddNewest(double volts) {
  newest_ = newest_ == 0 ? Limit() - 1 : newest_ - 1;
  ring_[newest_] = volts;
  if (count_ < Limit()) ++count_;
}

double TVoltsHistory::At(int index) const {
  const int at = newest_ + index;
  return ring_[at < Limit() ? at : at - Limit()];
}
