#include "TraceFigures.h"

#include <algorithm>
#include <cmath>

void TTraceFigures::Clear() {
  values_.clear();
  figuresValid_ = false;
}

void TTraceFigures::Add(double volts) {
  values_.push_back(volts);
  figuresValid_ = false;
}

const TTraceFigureSet& TTraceFigures::Between(int first, int last) const {
  if (first > last) std::swap(first, last);
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  if (figuresValid_ && first == figuresFirst_ && last == figuresLast_) return figures_;
  figures_ = {};
  figuresFirst_ = first;
  figuresLast_ = last;
  figuresValid_ = true;
  if (first > last) return figures_;
  TTraceFigureSet& f = figures_;
  f.Count = last - first + 1;
  f.Latest = values_[first];
  f.Minimum = f.Maximum = values_[first];
  double sum = 0, sumOfSquares = 0;
  for (int x = first; x <= last; ++x) {
    const double v = values_[x];
    f.Minimum = std::min(f.Minimum, v);
    f.Maximum = std::max(f.Maximum, v);
    sum += v;
    sumOfSquares += v * v;
  }
  f.Mean = sum / f.Count;
  f.PeakToPeak = f.Maximum - f.Minimum;
  f.Rms = std::sqrt(sumOfSquares / f.Count);
  // The deviations from the mean in a second pass: the difference of two large sums would
  // lose the small alternating part of a signal with a large offset.
  double deviations = 0;
  for (int x = first; x <= last; ++x) deviations += (values_[x] - f.Mean) * (values_[x] - f.Mean);
  f.AcRms = std::sqrt(deviations / f.Count);
  return figures_;
}
