#pragma once

// The chart set up as the oscilloscope's window sets it up, for the chart engine's own
// tests (they can't reach the window's code): 617 x 281, black, flat, fixed axes 0..200 and
// -5..5, black labels, a one-blank title, no legend, and a yellow fast line of width 2.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <memory>

#include "chart/Chart.h"
#include "chart/FastLineSeries.h"

inline TChartFont Mincho(TColor color) {
  TChartFont font;
  font.Name = QStringLiteral("ＭＳ Ｐ明朝");
  font.Height = -12;
  font.Color = color;
  return font;
}

class OscilloscopeChart : public ::testing::Test {
 protected:
  void SetUp() override {
    chart = std::make_unique<TChart>();
    chart->SetLoading(true);
    chart->resize(617, 281);
    chart->SetView3D(false);
    chart->SetView3DWalls(false);
    chart->SetColor(clBlack);
    chart->BackWall.SetBrush({clWhite, bsClear});
    chart->Title.SetText(QStringList{QStringLiteral(" ")});
    chart->Legend.SetVisible(false);
    chart->BottomAxis->SetAutomatic(false);
    chart->BottomAxis->SetAutomaticMinimum(false);
    chart->BottomAxis->SetAutomaticMaximum(false);
    chart->BottomAxis->SetMinimum(0);
    chart->BottomAxis->SetMaximum(200);
    chart->LeftAxis->SetAutomatic(false);
    chart->LeftAxis->SetAutomaticMinimum(false);
    chart->LeftAxis->SetAutomaticMaximum(false);
    chart->LeftAxis->SetMinimum(-5);
    chart->LeftAxis->SetMaximum(5);
    for (TCustomChartAxis* axis : chart->AxesList()) {
      axis->SetLabelsFont(Mincho(clBlack));
      axis->Title.SetFont(Mincho(clBlack));
    }
    chart->LeftAxis->Title.SetAngle(0);
    chart->LeftAxis->Title.SetFont(Mincho(clWhite));
    series = new TFastLineSeries(chart.get());
    series->SetSeriesColor(clYellow);
    series->LinePen.SetColor(clYellow);
    series->LinePen.SetWidth(2);
    series->SetParentChart(chart.get());
    chart->SetLoading(false);
  }

  QImage Render() {
    QImage window(617, 281, QImage::Format_RGB32);
    window.fill(Qt::gray);
    QPainter painter(&window);
    chart->RenderChart(painter, {0, 0, 617, 281});
    return window;
  }

  std::unique_ptr<TChart> chart;
  TFastLineSeries* series = nullptr;  // owned by the chart
};
