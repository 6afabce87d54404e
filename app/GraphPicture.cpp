#include "app/GraphPicture.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/Form1.h"
#include "app/Form1Window.h"
#include "app/MeasurementsWindow.h"
#include "app/RunStore.h"
#include "app/TraceReading.h"
#include "app/VoltsHistory.h"
#include "protocol/BoardProtocol.h"

namespace {

constexpr const char* kValuesShown = QT_TRANSLATE_NOOP("simplescope", "%1 values shown");
constexpr const char* kBetweenCursors =
    QT_TRANSLATE_NOOP("simplescope", "Cursors A–B: samples %1–%2 (%3 values)");
constexpr const char* kStretch = QT_TRANSLATE_NOOP("simplescope", "Samples %1–%2 (%3 values)");
constexpr const char* kStretchSeconds =
    QT_TRANSLATE_NOOP("simplescope", "%1–%2 s from the start of the run");
constexpr const char* kRun = QT_TRANSLATE_NOOP("simplescope", "Run %1");
constexpr const char* kVoltsAxis = QT_TRANSLATE_NOOP("simplescope", "Volts (V)");
constexpr const char* kSamplesAxis = QT_TRANSLATE_NOOP("simplescope", "Sample");
constexpr const char* kSecondsAxis = QT_TRANSLATE_NOOP("simplescope", "Time (s)");
constexpr const char* kNoValues = QT_TRANSLATE_NOOP("simplescope", "No values");
// The figures' rows, with the measurements window's own captions.
constexpr const char* kFigureCaptions[] = {
    QT_TRANSLATE_NOOP("simplescope", "Count"),   QT_TRANSLATE_NOOP("simplescope", "Latest"),
    QT_TRANSLATE_NOOP("simplescope", "Minimum"), QT_TRANSLATE_NOOP("simplescope", "Maximum"),
    QT_TRANSLATE_NOOP("simplescope", "Mean"),    QT_TRANSLATE_NOOP("simplescope", "Peak to peak"),
    QT_TRANSLATE_NOOP("simplescope", "RMS"),     QT_TRANSLATE_NOOP("simplescope", "AC RMS")};

QString Tr(const char* text) {
  return QCoreApplication::translate("simplescope", text);
}

// Room around the plot: the volts' labels on the left, the figures on the right, the title
// above and two rows of labels below.
constexpr double kLeftMargin = 96;
constexpr double kRightPanel = 270;
constexpr double kTopMargin = 78;
constexpr double kBottomMargin = 70;
constexpr int kTextPixels = 14;
constexpr int kTitlePixels = 20;
const QColor kTraceColour(0, 60, 170);
const QColor kGridColour(225, 225, 225);
const QColor kFrameColour(90, 90, 90);

// 1, 2 or 5 (2.5 too where halves are allowed) times a power of ten, at least `rough`.
double NiceStep(double rough, bool integral) {
  if (!(rough > 0)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (integral && factor == 2.5 && power < 10) continue;
    if (factor * power >= rough * (1 - 1e-9)) return factor * power;
  }
  return 10 * power;
}

// Decimals enough to tell labels `step` apart.
int DecimalsFor(double step) {
  int decimals = 0;
  while (decimals < 6 && std::abs(step * std::pow(10.0, decimals) -
                                  std::round(step * std::pow(10.0, decimals))) > 1e-6)
    ++decimals;
  return decimals;
}

// A number with a point as the decimal separator in every language, and a true minus sign.
QString Decimal(double value, int decimals) {
  if (std::abs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;  // no "−0.0"
  return QString::number(value, 'f', decimals).replace(QLatin1Char('-'), QChar(0x2212));
}

QFont ProgramFace(int pixels, bool bold = false) {
  QFont font(TForm1Window::ProgramFont().family());
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QString StretchText(const TGraphContent& content) {
  const uint64_t count = content.EndSample - content.FirstSample;
  QString text = Tr(kStretch)
                     .arg(content.FirstSample)
                     .arg(count > 0 ? content.EndSample - 1 : content.FirstSample)
                     .arg(count);
  double from = 0, to = 0;
  if (count > 0 && content.SecondsAt(double(content.FirstSample), from) &&
      content.SecondsAt(double(content.EndSample - 1), to))
    text += QStringLiteral(", ") + Tr(kStretchSeconds).arg(Decimal(from, 3), Decimal(to, 3));
  return text;
}

void DrawTrace(QPainter& painter, const TGraphContent& content, const TGraphLayout& layout) {
  QPen pen(kTraceColour, 1.5);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  painter.setPen(pen);
  const std::vector<TGraphPoint>& points = content.Points;
  const bool samples = std::all_of(points.begin(), points.end(),
                                   [](const TGraphPoint& p) { return p.End - p.First == 1; });
  const auto x = [&](const TGraphPoint& p) {
    return layout.XOfSample((p.First + p.End - 1) / 2.0);
  };
  painter.save();
  painter.setClipRect(layout.Plot.adjusted(-1, -1, 1, 1));
  // Each piece drawn on its own: one path of them all would be filled as one large outline,
  // several times slower for a long run.
  std::vector<QPointF> line;
  std::vector<QLineF> spans;
  const auto endLine = [&] {
    if (line.size() == 1) painter.drawPoint(line[0]);  // a sample standing alone is a dot
    if (line.size() > 1) painter.drawPolyline(line.data(), int(line.size()));
    line.clear();
  };
  for (size_t i = 0; i < points.size(); ++i) {
    const TGraphPoint& p = points[i];
    const bool joined = i > 0 && !p.GapBefore;
    if (samples) {
      if (!joined) endLine();
      line.emplace_back(x(p), layout.YOfVolts(p.Low));
      continue;
    }
    // A column's span, stretched to meet its neighbour's so the line has no holes.
    double low = p.Low, high = p.High;
    if (joined) {
      low = std::min(low, points[i - 1].High);
      high = std::max(high, points[i - 1].Low);
    }
    spans.emplace_back(x(p), layout.YOfVolts(low), x(p), layout.YOfVolts(high));
  }
  endLine();
  if (!spans.empty()) painter.drawLines(spans.data(), int(spans.size()));
  painter.restore();
}

void DrawScales(QPainter& painter, const TGraphContent& content, const TGraphLayout& layout) {
  const QRectF& plot = layout.Plot;
  painter.setFont(ProgramFace(kTextPixels));
  const QFontMetricsF metrics(painter.font());
  const double lineHeight = metrics.height();

  // Volts: a grid line and a label at each step.
  const int voltsDecimals = DecimalsFor(layout.VoltsStep);
  const int voltSteps = int(std::lround((layout.VoltsHigh - layout.VoltsLow) / layout.VoltsStep));
  for (int i = 0; i <= voltSteps; ++i) {
    const double volts = layout.VoltsLow + i * layout.VoltsStep;
    const double y = layout.YOfVolts(volts);
    painter.setPen(QPen(kGridColour, 1));
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, y - lineHeight / 2, plot.left() - 8, lineHeight),
                     Qt::AlignRight | Qt::AlignVCenter, Decimal(volts, voltsDecimals));
  }
  painter.drawText(QRectF(8, plot.top() - 2 * lineHeight - 4, plot.left() + 100, lineHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, Tr(kVoltsAxis));

  // Samples, and under them the seconds where the blocks' times are known.
  const bool seconds = content.HasSeconds();
  // Below the lowest volts label, which stands half over the bottom edge.
  const double samplesRow = plot.bottom() + lineHeight / 2 + 4;
  const double secondsRow = samplesRow + lineHeight + 2;
  if (layout.EndSample > layout.FirstSample) {
    const uint64_t step = layout.SampleStep;
    const uint64_t firstTick = (layout.FirstSample + step - 1) / step * step;
    double secondsSpan = 0, from = 0, to = 0;
    if (seconds && content.SecondsAt(double(layout.FirstSample), from) &&
        content.SecondsAt(double(layout.EndSample - 1), to))
      secondsSpan = std::abs(to - from) /
                    std::max<uint64_t>(1, (layout.EndSample - layout.FirstSample) / step);
    const int secondsDecimals = secondsSpan >= 10    ? 0
                                : secondsSpan >= 1   ? 1
                                : secondsSpan >= 0.1 ? 2
                                                     : 3;
    for (uint64_t sample = firstTick; sample < layout.EndSample; sample += step) {
      const double x = layout.XOfSample(double(sample));
      painter.setPen(QPen(kGridColour, 1));
      painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
      painter.setPen(Qt::black);
      const QRectF cell(x - 60, samplesRow, 120, lineHeight);
      painter.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, QString::number(sample));
      double at = 0;
      if (seconds && content.SecondsAt(double(sample), at))
        painter.drawText(cell.translated(0, lineHeight + 2), Qt::AlignHCenter | Qt::AlignTop,
                         Decimal(at, secondsDecimals));
    }
  }
  const QRectF captions(0, samplesRow, plot.left() - 8, lineHeight);
  painter.drawText(captions, Qt::AlignRight | Qt::AlignTop, Tr(kSamplesAxis));
  if (seconds)
    painter.drawText(captions.translated(0, secondsRow - samplesRow), Qt::AlignRight | Qt::AlignTop,
                     Tr(kSecondsAxis));
  painter.setPen(QPen(kFrameColour, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(plot);
}

void DrawHeading(QPainter& painter, const TGraphContent& content, const TGraphLayout& layout) {
  painter.setPen(Qt::black);
  painter.setFont(ProgramFace(kTitlePixels, true));
  QString title = TForm1::kCaption;
  if (!content.Title.isEmpty()) title += QStringLiteral(" — ") + content.Title;
  title += QStringLiteral("   ") + content.Taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  painter.drawText(QRectF(layout.Plot.left(), 8, layout.Plot.width() + kRightPanel, 28),
                   Qt::AlignLeft | Qt::AlignVCenter, title);
  painter.setFont(ProgramFace(kTextPixels));
  painter.drawText(QRectF(layout.Plot.left(), 38, layout.Plot.width(), 20),
                   Qt::AlignLeft | Qt::AlignVCenter, StretchText(content));
}

void DrawFigures(QPainter& painter, const TGraphContent& content, const TGraphLayout& layout) {
  const TTraceFigureSet& f = content.Figures;
  painter.setPen(Qt::black);
  painter.setFont(ProgramFace(kTextPixels));
  const double lineHeight = QFontMetricsF(painter.font()).height() + 6;
  const double left = layout.Plot.right() + 24;
  const double width = kRightPanel - 40;
  double y = layout.Plot.top();
  painter.drawText(QRectF(left, y, width, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   content.FiguresCaption);
  y += lineHeight * 1.5;
  const double volts[] = {0, f.Latest, f.Minimum, f.Maximum, f.Mean, f.PeakToPeak, f.Rms, f.AcRms};
  for (int row = 0; row < 8; ++row) {
    const QRectF line(left, y, width, lineHeight);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, Tr(kFigureCaptions[row]));
    const QString value = f.Count == 0 ? QStringLiteral("—")
                          : row == 0   ? QString::number(f.Count)
                                       : VoltsText(volts[row]);
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, value);
    y += lineHeight;
  }
}

}  // namespace

bool TGraphContent::HasSeconds() const {
  return std::any_of(Points.begin(), Points.end(),
                     [](const TGraphPoint& p) { return p.HasSeconds; });
}

bool TGraphContent::SecondsAt(double sample, double& seconds) const {
  // The point that holds the sample, then on towards the next point's time.
  const auto after =
      std::upper_bound(Points.begin(), Points.end(), sample,
                       [](double s, const TGraphPoint& p) { return s < double(p.First); });
  if (after == Points.begin()) return false;
  const TGraphPoint& p = *std::prev(after);
  if (!p.HasSeconds || sample >= double(p.End)) return false;
  seconds = p.Seconds;
  if (after != Points.end() && after->HasSeconds && !after->GapBefore && after->First > p.First)
    seconds +=
        (sample - double(p.First)) * (after->Seconds - p.Seconds) / double(after->First - p.First);
  return true;
}

double TGraphLayout::XOfSample(double sample) const {
  const double count = double(std::max<uint64_t>(1, EndSample - FirstSample));
  const double fromOldest = (sample - double(FirstSample) + 0.5) / count;
  return NewestAtRight ? Plot.left() + fromOldest * Plot.width()
                       : Plot.right() - fromOldest * Plot.width();
}

double TGraphLayout::YOfVolts(double volts) const {
  return Plot.bottom() - (volts - VoltsLow) / (VoltsHigh - VoltsLow) * Plot.height();
}

int TGraphPicture::PlotColumns(const TGraphPictureOptions& options) {
  return std::max(1, int(options.Size.width() - kLeftMargin - kRightPanel));
}

TGraphLayout TGraphPicture::Layout(const TGraphContent& content,
                                   const TGraphPictureOptions& options) {
  TGraphLayout layout;
  layout.Plot = QRectF(kLeftMargin, kTopMargin, PlotColumns(options),
                       std::max(1.0, options.Size.height() - kTopMargin - kBottomMargin));
  layout.NewestAtRight = options.NewestAtRight;
  layout.FirstSample = content.FirstSample;
  layout.EndSample = std::max(content.EndSample, content.FirstSample);

  double low = 0, high = 0;
  bool any = false;
  for (const TGraphPoint& p : content.Points) {
    low = any ? std::min(low, p.Low) : p.Low;
    high = any ? std::max(high, p.High) : p.High;
    any = true;
  }
  if (!any) low = -1, high = 1;
  // A flat line sits in the middle of a tenth of a volt; any trace keeps off the frame.
  const double middle = (low + high) / 2;
  const double span = std::max(high - low, 0.1);
  low = std::min(low, middle - span / 2) - span * 0.04;
  high = std::max(high, middle + span / 2) + span * 0.04;
  layout.VoltsStep = NiceStep((high - low) / 10, false);
  layout.VoltsLow = std::floor(low / layout.VoltsStep) * layout.VoltsStep;
  layout.VoltsHigh = std::ceil(high / layout.VoltsStep) * layout.VoltsStep;
  const uint64_t samples = layout.EndSample - layout.FirstSample;
  layout.SampleStep = uint64_t(NiceStep(std::max(1.0, double(samples) / 8), true));
  return layout;
}

void TGraphPicture::Draw(QPainter& painter, const TGraphContent& content,
                         const TGraphPictureOptions& options) {
  const TGraphLayout layout = Layout(content, options);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.fillRect(QRectF(QPointF(0, 0), QSizeF(options.Size)), Qt::white);
  DrawScales(painter, content, layout);
  DrawHeading(painter, content, layout);
  DrawFigures(painter, content, layout);
  if (content.Empty()) {
    painter.setPen(Qt::black);
    painter.setFont(ProgramFace(kTextPixels));
    painter.drawText(layout.Plot, Qt::AlignCenter, Tr(kNoValues));
  }
  DrawTrace(painter, content, layout);
  painter.restore();
}

QByteArray TGraphPicture::Png(const TGraphContent& content, const TGraphPictureOptions& options) {
  QImage image(options.Size, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    Draw(painter, content, options);
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  return png;
}

TGraphContent GraphContentOfValues(const TVoltsHistory& values, const TTraceReading& reading,
                                   const QDateTime& taken) {
  TGraphContent content;
  content.Taken = taken;
  const int count = values.Count();
  content.EndSample = uint64_t(count);
  content.Points.reserve(count);
  // The history is newest first; the picture's points go oldest first.
  for (int i = count - 1; i >= 0; --i) {
    TGraphPoint p;
    p.First = uint64_t(count - 1 - i);
    p.End = p.First + 1;
    p.Low = p.High = values.At(i);
    content.Points.push_back(p);
  }
  const TTraceReading::TSpan span = reading.Span();
  content.Figures = reading.SpanFigures();
  const TTraceFigureSet& f = content.Figures;
  content.FiguresCaption =
      span.BetweenCursors ? Tr(kBetweenCursors)
                                .arg(f.Count > 0 ? reading.Figures.SampleNumber(span.Last) : 0)
                                .arg(f.Count > 0 ? reading.Figures.SampleNumber(span.First) : 0)
                                .arg(f.Count)
                          : Tr(kValuesShown).arg(f.Count);
  return content;
}

namespace {

double VoltsOf(uint16_t raw) {
  return BoardProtocol::VoltsFromRaw(raw);
}

// When a kept sample came, from the start of the run: its block's time, moved on towards the
// next block's by where it lies in the block.
bool SampleSeconds(const TRun& run, uint64_t position, double& seconds) {
  size_t low = 0, high = run.BlockCount();
  while (low < high) {  // the first block that starts after the position
    const size_t middle = (low + high) / 2;
    if (run.BlockAt(middle).FirstSample <= position)
      low = middle + 1;
    else
      high = middle;
  }
  if (low == 0) return false;
  const TRun::TBlock& block = run.BlockAt(low - 1);
  if (block.TimeMs == TRun::kNoTime) return false;
  double ms = block.TimeMs;
  if (low < run.BlockCount()) {
    const TRun::TBlock& next = run.BlockAt(low);
    if (next.TimeMs != TRun::kNoTime && next.FirstSample > block.FirstSample)
      ms += double(position - block.FirstSample) * (next.TimeMs - block.TimeMs) /
            double(next.FirstSample - block.FirstSample);
  }
  seconds = ms / 1000;
  return true;
}

// The figures of the kept samples of [first, end), as TTraceFigures computes them.
TTraceFigureSet RunFigures(const TRun& run, uint64_t first, uint64_t end) {
  TTraceFigureSet f;
  if (first >= end) return f;
  f.Count = int(std::min<uint64_t>(end - first, uint64_t(std::numeric_limits<int>::max())));
  f.Latest = VoltsOf(run.SampleAt(end - 1));
  const TSampleRange range = run.Range(first, end);
  f.Minimum = VoltsOf(range.Low);
  f.Maximum = VoltsOf(range.High);
  double sum = 0, sumOfSquares = 0;
  for (uint64_t p = first; p < end; ++p) {
    const double v = VoltsOf(run.SampleAt(p));
    sum += v;
    sumOfSquares += v * v;
  }
  const double n = double(end - first);
  f.Mean = sum / n;
  f.PeakToPeak = f.Maximum - f.Minimum;
  f.Rms = std::sqrt(sumOfSquares / n);
  double deviations = 0;
  for (uint64_t p = first; p < end; ++p) {
    const double d = VoltsOf(run.SampleAt(p)) - f.Mean;
    deviations += d * d;
  }
  f.AcRms = std::sqrt(deviations / n);
  return f;
}

}  // namespace

TGraphContent GraphContentOfRun(const TRun& run, uint64_t first, uint64_t end, int columns,
                                const QDateTime& taken) {
  TGraphContent content;
  content.Taken = taken;
  content.Title = Tr(kRun).arg(run.Number());
  first = std::max(first, run.DroppedSamples());
  end = std::clamp(end, first, run.SampleCount());
  content.FirstSample = first;
  content.EndSample = end;
  const std::vector<uint64_t>& gaps = run.Gaps();
  const uint64_t count = end - first;
  columns = std::max(columns, 1);
  if (count <= uint64_t(columns)) {
    for (uint64_t position = first; position < end; ++position) {
      TGraphPoint p;
      p.First = position;
      p.End = position + 1;
      p.Low = p.High = VoltsOf(run.SampleAt(position));
      p.GapBefore = position > first && std::binary_search(gaps.begin(), gaps.end(), position);
      p.HasSeconds = SampleSeconds(run, position, p.Seconds);
      content.Points.push_back(p);
    }
  } else {
    std::vector<TColumnEnvelope> envelopes(columns);
    run.Columns(first, end, envelopes);
    bool gapPending = false;
    for (int c = 0; c < columns; ++c) {
      const TColumnEnvelope& e = envelopes[c];
      gapPending = gapPending || e.GapBefore;
      if (!e.HasValue) {
        // A column with nothing kept breaks the line as a gap does.
        gapPending = gapPending || !content.Points.empty();
        continue;
      }
      TGraphPoint p;
      p.First = TRun::ColumnStart(first, end, columns, c);
      p.End = TRun::ColumnStart(first, end, columns, c + 1);
      p.Low = VoltsOf(e.Low);
      p.High = VoltsOf(e.High);
      p.GapBefore = gapPending && !content.Points.empty();
      gapPending = false;
      p.HasSeconds = SampleSeconds(run, p.First, p.Seconds);
      content.Points.push_back(p);
    }
  }
  content.Figures = RunFigures(run, first, end);
  content.FiguresCaption = Tr(kValuesShown).arg(content.Figures.Count);
  return content;
}
