#pragma once

#include <QString>

#include "framework/Colors.h"

// A font as the chart's parts describe it. Height is in pixels; a negative height gives
// the character height, as the window's definitions do ("-12": 12-pixel characters).
struct TChartFont {
  enum Style { fsNone = 0, fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
  QString Name = QStringLiteral("ＭＳ Ｐ明朝");
  int Height = -12;  // 9 points at 96 pixels per inch
  TColor Color = clBlack;
  int Styles = fsNone;
  bool operator==(const TChartFont&) const = default;
};
