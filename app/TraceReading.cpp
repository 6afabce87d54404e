#include "TraceReading.h"

#include <algorithm>

bool TTraceReading::PlaceCursor(TCursorName name, int x) {
  if (!Figures.Has(x)) return false;
  std::optional<int>& cursor = name == TCursorName::A ? a_ : b_;
  const bool changed = cursor != x || last_ != name;
  cursor = x;
  last_ = name;
  return changed;
}

bool TTraceReading::MoveCursor(int by) {
  std::optional<int>& cursor = last_ == TCursorName::A ? a_ : b_;
  if (!cursor) return false;
  // On the values it stays on them; beyond them (the trace began again, shorter) it moves
  // from where it is shown, within the screen.
  const int last = Figures.Has(*cursor) ? Figures.Count() - 1 : std::max(Places, 1) - 1;
  const int moved = std::clamp(*cursor + by, 0, std::max(last, 0));
  if (moved == *cursor) return false;
  cursor = moved;
  return true;
}

bool TTraceReading::ClearCursors() {
  if (!AnyCursor()) return false;
  a_.reset();
  b_.reset();
  last_ = TCursorName::A;
  return true;
}

TTraceReading::TSpan TTraceReading::Span() const {
  const int count = Figures.Count();
  if (!BothCursors()) return {0, count - 1, false};
  const int first = std::max(std::min(*a_, *b_), 0);
  const int last = std::min(std::max(*a_, *b_), count - 1);
  return {first, last, true};
}

std::optional<TTraceReading::TDeltas> TTraceReading::Deltas() const {
  if (!BothCursors() || !Figures.Has(*a_) || !Figures.Has(*b_)) return std::nullopt;
  TDeltas deltas;
  deltas.SampleA = Figures.SampleNumber(*a_);
  deltas.SampleB = Figures.SampleNumber(*b_);
  deltas.Samples = deltas.SampleB - deltas.SampleA;
  deltas.Volts = Figures.ValueAt(*b_) - Figures.ValueAt(*a_);
  return deltas;
}

QString TableNumber(double value) {
  QString text = QString::number(value, 'f', 6);
  while (text.endsWith(QLatin1Char('0'))) text.chop(1);
  if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  // A value that rounds to zero is 0, not -0.
  if (text == QStringLiteral("-0")) text = QStringLiteral("0");
  return text;
}

QString TTraceReading::Table(QChar separator) const {
  const TTraceFigureSet& f = SpanFigures();
  if (f.Count == 0) return {};
  const QString end = QStringLiteral("\r\n");
  QString table = QStringLiteral("quantity") + separator + QStringLiteral("value") + end;
  const auto row = [&](const char* key, const QString& value) {
    table += QLatin1String(key) + separator + value + end;
  };
  row("count", QString::number(f.Count));
  row("latest_V", TableNumber(f.Latest));
  row("min_V", TableNumber(f.Minimum));
  row("max_V", TableNumber(f.Maximum));
  row("mean_V", TableNumber(f.Mean));
  row("peak_to_peak_V", TableNumber(f.PeakToPeak));
  row("rms_V", TableNumber(f.Rms));
  row("ac_rms_V", TableNumber(f.AcRms));
  if (const std::optional<TDeltas> deltas = Deltas()) {
    row("cursor_a", QString::number(deltas->SampleA));
    row("cursor_b", QString::number(deltas->SampleB));
    row("delta_samples", QString::number(deltas->Samples));
    row("delta_V", TableNumber(deltas->Volts));
  }
  return table;
}
