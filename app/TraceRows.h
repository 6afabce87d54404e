#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class TVoltsHistory;

// The trace as a table for a spreadsheet or a lab report: a header, then one row per value
// of the sample history, oldest first and numbered from 0, each the board's own value in
// volts. Lines end in CR LF, which every spreadsheet reads (and RFC 4180 asks of CSV).

// "sample<TAB>volts": what pastes into a spreadsheet as two columns.
QString TraceRowsTabSeparated(const TVoltsHistory& history);
// "sample,volts" (RFC 4180, UTF-8): the point is the decimal separator, whatever the locale.
QByteArray TraceRowsCsv(const TVoltsHistory& history);

// A value as the table writes it: the shortest text that reads back as the same number, a
// point before the decimals. A board's count gives its exact value ("2.421875" for 760); no
// field ever needs quoting.
QString TraceVoltsText(double volts);

// "simplescope-YYYYMMDD-HHMMSS.<suffix>": a name that sorts by time and says where it came
// from.
QString TraceFileName(const QDateTime& time, const QString& suffix);
