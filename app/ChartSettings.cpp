#include "ChartSettings.h"

namespace {

TChartFont MinchoFont(TColor color) {
  TChartFont font;
  font.Name = QStringLiteral("ＭＳ Ｐ明朝");
  font.Height = -12;
  font.Color = color;
  return font;
}

void FixRange(TChartAxis& axis, double minimum, double maximum) {
  axis.SetAutomatic(false);
  axis.SetAutomaticMinimum(false);
  axis.SetAutomaticMaximum(false);
  axis.SetMinimum(minimum);
  axis.SetMaximum(maximum);
}

}  // namespace

void ApplyOscilloscopeChartSettings(TChart& chart, TFastLineSeries& series) {
  chart.SetLoading(true);
  chart.SetView3D(false);
  chart.SetView3DWalls(false);
  chart.SetColor(clBlack);
  chart.BackWall.SetBrush({clWhite, bsClear});
  chart.Title.SetText(QStringList{QStringLiteral(" ")});
  chart.Legend.SetVisible(false);
  chart.Legend.SetFont(MinchoFont(clBlack));
  FixRange(*chart.BottomAxis, 0, 200);
  FixRange(*chart.LeftAxis, -5, 5);
  chart.LeftAxis->SetExactDateTime(false);
  for (TCustomChartAxis* axis : chart.AxesList()) {
    axis->SetLabelsFont(MinchoFont(clBlack));
    axis->Title.SetFont(MinchoFont(clBlack));
  }
  chart.LeftAxis->Title.SetAngle(0);
  chart.LeftAxis->Title.SetFont(MinchoFont(clWhite));

  series.SetSeriesColor(clYellow);
  series.LinePen.SetColor(clYellow);
  series.LinePen.SetWidth(2);
  series.Marks.SetVisible(false);
  series.Marks.SetArrowLength(8);
  series.Marks.SetFont(MinchoFont(clBlack));
  series.XValues->SetOrder(loAscending);
  series.YValues->SetOrder(loNone);
  series.SetParentChart(&chart);
  chart.SetLoading(false);
}
