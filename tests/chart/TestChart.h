#pragma once

#include "chart/AxisPanel.h"

// A chart without a window: counts the repaints it is asked for.
class TTestChart : public TCustomAxisPanel {
 public:
  TTestChart() : TCustomAxisPanel(nullptr) {}
  int repaints = 0;

 protected:
  void RepaintRequested() override { ++repaints; }
};
