#include "TraceRows.h"

#include <charconv>

#include "app/VoltsHistory.h"

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

QString Rows(const TVoltsHistory& history, QChar separator) {
  QString text = QStringLiteral("sample") + separator + QStringLiteral("volts") + kLineEnd;
  const int count = history.Count();
  text.reserve(text.size() + count * 16);
  // Newest first in the history: its last entry is sample 0.
  for (int sample = 0; sample < count; ++sample)
    text += QString::number(sample) + separator + TraceVoltsText(history.At(count - 1 - sample)) +
            kLineEnd;
  return text;
}

}  // namespace

QString TraceVoltsText(double volts) {
  // to_chars never looks at the locale, and its shortest form is the exact decimal of every
  // count the board can send (at most nine decimals).
  if (volts == 0) volts = 0;  // no "-0"
  char text[400];             // room for any double in fixed form
  const auto end = std::to_chars(text, text + sizeof text, volts, std::chars_format::fixed).ptr;
  return QString::fromLatin1(text, static_cast<qsizetype>(end - text));
}

QString TraceRowsTabSeparated(const TVoltsHistory& history) {
  return Rows(history, QLatin1Char('\t'));
}

QByteArray TraceRowsCsv(const TVoltsHistory& history) {
  return Rows(history, QLatin1Char(',')).toUtf8();
}

QString TraceFileName(const QDateTime& time, const QString& suffix) {
  return QStringLiteral("simplescope-") + time.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
         QLatin1Char('.') + suffix;
}
