#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class TStringList;

// The trace as a table for a spreadsheet or a lab report: a header, then one row per value
// of the sample history, oldest first and numbered from 0, the volts as the history holds
// them. Lines end in CR LF, which every spreadsheet reads (and RFC 4180 asks of CSV).

// "sample<TAB>volts": what pastes into a spreadsheet as two columns.
QString TraceRowsTabSeparated(const TStringList& history);
// "sample,volts" (RFC 4180, UTF-8): the point is the decimal separator, as in the history.
QByteArray TraceRowsCsv(const TStringList& history);

// "simplescope-YYYYMMDD-HHMMSS.<suffix>": a name that sorts by time and says where it came
// from.
QString TraceFileName(const QDateTime& time, const QString& suffix);
