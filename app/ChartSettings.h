#pragma once

#include "chart/Chart.h"
#include "chart/FastLineSeries.h"

// The oscilloscope screen: a black, flat chart with fixed axes 0..200 and -5..5, black
// label texts (they take their room but don't show), no legend, a one-blank title, and one
// yellow fast line of width 2.
void ApplyOscilloscopeChartSettings(TChart& chart, TFastLineSeries& series);
