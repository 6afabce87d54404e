#pragma once

#include <vector>

// The figures of a stretch of the trace, in volts.
struct TTraceFigureSet {
  int Count = 0;      // values covered; with none, the figures below mean nothing
  double Latest = 0;  // the newest of them
  double Minimum = 0;
  double Maximum = 0;
  double Mean = 0;
  double PeakToPeak = 0;  // Maximum - Minimum
  double Rms = 0;         // root mean square
  double AcRms = 0;       // root mean square of the values less their mean
};

// The values the trace shows, in the order it draws them (x 0 is the newest), and their
// figures: plain arithmetic, computed when first asked for after a change and kept, so that
// a tick's readers (the measurements window, the tooltip, what a screen reader is told)
// share one computation and a tick nobody reads computes nothing.
class TTraceFigures {
 public:
  void Clear();
  // The value at the next x.
  void Add(double volts);
  int Count() const { return static_cast<int>(values_.size()); }
  bool Has(int x) const { return x >= 0 && x < Count(); }
  double ValueAt(int x) const { return values_.at(x); }
  // As the copied table numbers it: 0 for the oldest value shown, so x 0 has the highest.
  int SampleNumber(int x) const { return Count() - 1 - x; }

  // Over every value shown.
  const TTraceFigureSet& All() const { return Between(0, Count() - 1); }
  // Over the values at x from first to last (either order), as far as there are values.
  const TTraceFigureSet& Between(int first, int last) const;

 private:
  std::vector<double> values_;
  // The last figures asked for, and of which values; invalid after a change.
  mutable TTraceFigureSet figures_;
  mutable int figuresFirst_ = 0;
  mutable int figuresLast_ = -1;
  mutable bool figuresValid_ = false;
};
