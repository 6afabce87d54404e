#pragma once

#include <functional>
#include <vector>

#include "chart/ChartFont.h"
#include "framework/StoreIfChanged.h"

// The marks of a series' points: when visible, each visible point's value as text in the
// marks' font, ArrowLength pixels above the point (the oscilloscope never shows them). The
// series keeps their position list in step with its points. A change of what they show
// asks the series to repaint.
class TSeriesMarks {
 public:
  explicit TSeriesMarks(std::function<void()> onChange = {}) : onChange_(std::move(onChange)) {}
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { Set(visible_, value); }
  int ArrowLength() const { return arrowLength_; }
  void SetArrowLength(int value) { Set(arrowLength_, value); }
  const TChartFont& Font() const { return font_; }
  void SetFont(const TChartFont& value) { Set(font_, value); }
  std::vector<int> Positions;  // one entry per point that has a placed mark

 private:
  template <typename T>
  void Set(T& field, const T& value) {
    if (StoreIfChanged(field, value) && onChange_) onChange_();
  }
  std::function<void()> onChange_;
  bool visible_ = false;
  int arrowLength_ = 8;
  TChartFont font_;
};
