#include "TraceRows.h"

#include "framework/StringList.h"

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// The history's rows, oldest first, with the two fields joined by `separator`; each field
// goes through `field` first.
template <typename FieldText>
QString Rows(const TStringList& history, QChar separator, FieldText field) {
  QString text = QStringLiteral("sample") + separator + QStringLiteral("volts") + kLineEnd;
  const int count = history.Count();
  // Newest first in the history: its last entry is sample 0.
  for (int sample = 0; sample < count; ++sample)
    text +=
        QString::number(sample) + separator + field(history.Strings(count - 1 - sample)) + kLineEnd;
  return text;
}

// RFC 4180: a field with a comma, a quote or a line break goes in quotes, its quotes
// doubled. The history's texts never have one; the rule keeps a stray one from shifting
// the columns.
QString CsvField(const QString& text) {
  for (QChar c : text)
    if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
        c == QLatin1Char('\n'))
      return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
             QLatin1Char('"');
  return text;
}

// A tab or a line break inside a field would break the table apart; a blank does no harm.
QString TabField(const QString& text) {
  QString field = text;
  for (QChar& c : field)
    if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
      c = QLatin1Char(' ');
  return field;
}

}  // namespace

QString TraceRowsTabSeparated(const TStringList& history) {
  return Rows(history, QLatin1Char('\t'), TabField);
}

QByteArray TraceRowsCsv(const TStringList& history) {
  return Rows(history, QLatin1Char(','), CsvField).toUtf8();
}

QString TraceFileName(const QDateTime& time, const QString& suffix) {
  return QStringLiteral("simplescope-") + time.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
         QLatin1Char('.') + suffix;
}
