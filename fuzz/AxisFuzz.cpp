// libFuzzer target: the axes under any settings a program could give them (ranges,
// increments, separations, angles, positions, tick lengths), any chart size and any series
// values, NaN and infinities included, run through the full paint of an offscreen chart.
// Bad settings must be refused with their exception; the paint must end, stay inside its
// buffers and leave every axis with a sane working state.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "chart/Chart.h"
#include "chart/FastLineSeries.h"

namespace {

// Reads the input front to back; past its end every value is 0.
class TInput {
 public:
  TInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int16_t Short() { return static_cast<int16_t>(Byte() | (Byte() << 8)); }
  double Double() {
    uint8_t bytes[8] = {};
    for (uint8_t& b : bytes) b = Byte();
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }
  bool Empty() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// A setter that refuses its value must say so with the chart's exceptions, nothing else.
template <typename Call>
void Try(Call call) {
  try {
    call();
  } catch (const AxisException&) {
  } catch (const ChartException&) {
  }
}

void Configure(TCustomChartAxis& axis, TInput& in, bool mayStretch) {
  const uint8_t flags = in.Byte(), more = in.Byte();
  const double minimum = in.Double(), maximum = in.Double();
  // A refused value leaves the one before: each input starts from the same settings, so
  // that it does the same whatever ran before it.
  axis.ApplyRange(0, 0);
  axis.SetIncrement(0);
  axis.SetLabelsSeparation(10);
  axis.SetLabelsAngle(0);
  axis.Title.SetAngle(axis.DefaultTitleAngle());
  if (more & 0x80) {
    Try([&] { axis.ApplyRange(minimum, maximum); });
  } else {
    axis.SetAutomatic(flags & 1);
    axis.SetAutomaticMinimum(flags & 2);
    axis.SetAutomaticMaximum(flags & 4);
    Try([&] { axis.SetMinimum(minimum); });
    Try([&] { axis.SetMaximum(maximum); });
  }
  axis.SetInverted(flags & 8);
  axis.SetRoundFirstLabel(flags & 16);
  axis.SetLabelsOnAxis(flags & 32);
  axis.SetTickOnLabelsOnly(flags & 64);
  axis.SetGridCentered(flags & 128);
  axis.SetLabels(!(more & 1));
  axis.SetLabelsMultiLine(more & 2);
  axis.MinorGrid.SetVisible(more & 4);
  axis.SetVisible(!(more & 8));
  axis.Title.SetCaption(more & 16 ? QStringLiteral("Volt V") : QString());
  axis.SetAxisValuesFormat(more & 32 ? QStringLiteral("0.00E+00")
                                     : TCustomChartAxis::kDefaultValueFormat);
  const double increment = in.Double();
  Try([&] { axis.SetIncrement(increment); });
  // Up to ten thousand labels, each made and drawn, come from a separation of 0 (no step
  // search) or an axis stretched far beyond the chart: such inputs are slow, so both take
  // the one flag, on one axis only, and inputs without it stay quick.
  const bool stretch = mayStretch && (more & 64);
  const int separation = in.Short();
  Try([&] { axis.SetLabelsSeparation(stretch || separation != 0 ? separation : 10); });
  const int labelsAngle = in.Short(), titleAngle = in.Short();
  Try([&] { axis.SetLabelsAngle(labelsAngle); });
  Try([&] { axis.Title.SetAngle(titleAngle); });
  // Positions in percent are of the size people give them, or, stretched, any double.
  const uint8_t wild = in.Byte();
  auto percent = [&](int bit, double usual) {
    const int8_t small = static_cast<int8_t>(in.Byte());
    return stretch && (wild & bit) ? in.Double() : usual + small;
  };
  axis.SetStartPosition(percent(1, 0));
  axis.SetEndPosition(percent(2, 100));
  axis.SetPositionPercent(percent(4, 0));
  axis.SetTickLength(static_cast<int8_t>(in.Byte()));
  axis.SetTickInnerLength(static_cast<int8_t>(in.Byte()));
  axis.SetMinorTickLength(static_cast<int8_t>(in.Byte()));
  axis.SetMinorTickCount(in.Byte() % 8);
  axis.SetLabelsSize(in.Byte() % 64);
  TChartFont font = axis.LabelsFont();
  // Fonts of the sizes charts use: tiny ones would pack a label on every other pixel,
  // dozens per axis, and the labels' cost is what limits the inputs per second.
  font.Height = -(8 + in.Byte() % 16);
  font.Color = clWhite;
  axis.SetLabelsFont(font);
}

void CheckAxis(const TCustomChartAxis& axis) {
  if (axis.TickCount < 0 || axis.TickCount > TCustomChartAxis::kMaxTickPositions) std::abort();
  if (axis.AxisLength != axis.EndPixel - axis.StartPixel) std::abort();
  // A settled range never holds a value that is not a number.
  if (std::isnan(axis.WorkMinimum) || std::isnan(axis.WorkMaximum)) std::abort();
}

// One chart for all inputs: making a window per input would cost more than its paint.
// Every input sets all that the previous one may have changed.
TChart* chart = nullptr;
TFastLineSeries* series = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication application(*argc, *argv);
  chart = new TChart;
  chart->SetView3D(false);
  series = new TFastLineSeries(chart);
  series->SetParentChart(chart);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TInput in(data, size);
  // Small charts: the paint is the same code at any size, and small ones are quick.
  const int width = 1 + in.Byte() % 64, height = 1 + in.Byte() % 48;
  const uint8_t chartFlags = in.Byte();
  chart->resize(width, height);
  chart->SetBevelInner(chartFlags & 1 ? bvLowered : bvNone);
  chart->SetBorderWidth((chartFlags >> 1) & 3);
  chart->SetMarginLeft(in.Byte() % 60);
  chart->SetMarginBottom(in.Byte() % 60);
  chart->Title.SetText(chartFlags & 8 ? QStringList{QStringLiteral("T"), QStringLiteral("2")}
                                      : QStringList{});
  chart->Foot.SetText(chartFlags & 16 ? QStringList{QStringLiteral("F")} : QStringList{});
  chart->SetAxisVisible(!(chartFlags & 32));
  // Drawn straight onto the window (as a chart's first paint is) or through the image.
  chart->Canvas()->SetIsBuffered(!(chartFlags & 64));

  const uint8_t seriesFlags = in.Byte();
  series->SetAutoRepaint(true);
  series->RemoveAllPoints();
  series->SetHorizAxis(static_cast<THorizAxis>(seriesFlags & 3));
  series->SetVertAxis(static_cast<TVertAxis>((seriesFlags >> 2) & 3));
  series->XValues->SetOrder(static_cast<TChartListOrder>(((seriesFlags >> 4) & 3) % 3));
  Configure(*chart->BottomAxis, in, true);
  Configure(*chart->LeftAxis, in, false);
  TInput none(nullptr, 0);  // the defaults an input without these axes gets
  Configure(*chart->TopAxis, seriesFlags & 64 ? in : none, false);
  Configure(*chart->RightAxis, seriesFlags & 128 ? in : none, false);

  for (int i = 0; i < 24 && !in.Empty(); ++i) {
    const uint8_t pointFlags = in.Byte();
    const double x = in.Double(), y = in.Double();
    series->AppendPoint(x, y, pointFlags & 1 ? QStringLiteral("p q") : QString(),
                        DefaultPointColor);
  }

  QImage window(width, height, QImage::Format_RGB32);
  QPainter painter(&window);
  // Now and then the chart sits partly off the window it is drawn on.
  if (chartFlags & 128) painter.translate(width / 2, -height / 3);
  chart->RenderChart(painter, {0, 0, width, height});
  for (TCustomChartAxis* axis : chart->AxesList()) CheckAxis(*axis);
  // A point added after the paint is drawn at once on the image the paint left.
  series->SetAutoRepaint(false);
  series->AppendPoint(in.Double(), in.Double(), QString(), DefaultPointColor);
  return 0;
}
