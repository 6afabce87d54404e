#include "ChartPen.h"

void TChartPen::Assign(const TChartPen& source) {
  SetVisible(source.visible_);
  SetSmallDots(source.smallDots_);
  SetColor(source.color_);
  SetMode(source.mode_);
  SetStyle(source.style_);
  SetWidth(source.width_);
}
