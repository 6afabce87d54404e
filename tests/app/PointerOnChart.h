#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QPoint>

#include "chart/Chart.h"
#include "framework/MessageWait.h"

// The pointer over the window's chart, as the reading tests move it.

// The middle of the plot's height at the pixel column of the trace's x.
inline QPoint ChartPointAtX(const TChart& chart, double x) {
  return {chart.BottomAxis->ValueToPosition(x), (chart.PlotRect.Top + chart.PlotRect.Bottom) / 2};
}

// The pointer as the window system moves it, over the chart and out of it.
inline void MovePointerOnChart(TChart& chart, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, chart.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&chart, &move);
  WaitMs(10);
}
