#include "RecorderOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cmath>

#include "framework/StandardOptions.h"

namespace {

class TOptionsText {
  Q_DECLARE_TR_FUNCTIONS(TRecorderOptions)
 public:
  static QString Describe() {
    return tr(
        "Records the samples of the USB experiment board (vendor 0x21CF, product 0x0004) as "
        "a table, one row per sample: block,sample,time_s,raw,volts. The board is asked "
        "for a block of 32 samples every interval; time_s is when the block arrived, in "
        "seconds since the recording began. Recording goes on until Ctrl+C unless "
        "--seconds or --blocks ends it earlier.");
  }
  static QString Output() { return tr("Write the table to FILE (default: standard output)."); }
  static QString File() { return tr("FILE"); }
  static QString Format() { return tr("Table format: csv (RFC 4180, the default) or tsv."); }
  static QString FormatValue() { return tr("FORMAT"); }
  static QString Seconds() { return tr("Stop after N seconds of recording."); }
  static QString Blocks() { return tr("Stop after N blocks (32 samples each)."); }
  static QString Number() { return tr("N"); }
  static QString Interval() {
    return tr("Ask the board for a block every MS milliseconds (default 100, at least 10).");
  }
  static QString Milliseconds() { return tr("MS"); }
  static QString List() {
    return tr("List the HID devices of this machine, mark the board, and exit.");
  }
  static QString NoWait() { return tr("Exit with an error when no board is plugged in."); }
  static QString ExitOnUnplug() {
    return tr("Exit when the board is unplugged instead of waiting for it to come back.");
  }
  static QString Try() { return tr("Try 'simplescope-record --help' for more information."); }
  static QString NotANumber(const QString& option, const QString& value) {
    return tr("--%1: \"%2\" is not a positive number").arg(option, value);
  }
  static QString NotAWholeNumber(const QString& option, const QString& value) {
    return tr("--%1: \"%2\" is not a whole number from 1 up").arg(option, value);
  }
  static QString BadInterval(const QString& value) {
    return tr("--interval: \"%1\" is not a whole number of milliseconds from %2 to %3")
        .arg(value)
        .arg(TRecorderOptions::kMinIntervalMs)
        .arg(TRecorderOptions::kMaxIntervalMs);
  }
  static QString BadFormat(const QString& value) {
    return tr("--format: \"%1\" is neither csv nor tsv").arg(value);
  }
  static QString Unexpected(const QString& argument) {
    return tr("unexpected argument \"%1\"").arg(argument);
  }
  static QString ListAlone() { return tr("--list takes no other options"); }
};

TRecorderCommandLine UsageError(const QString& message) {
  TRecorderCommandLine result;
  result.text = QStringLiteral("simplescope-record: ") + message + QLatin1Char('\n') +
                TOptionsText::Try() + QLatin1Char('\n');
  result.exitCode = 2;
  return result;
}

}  // namespace

TRecorderCommandLine ParseRecorderCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(TOptionsText::Describe());
  const auto [help, version] = AddStandardOptions(parser);
  const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                  TOptionsText::Output(), TOptionsText::File());
  const QCommandLineOption format(QStringLiteral("format"), TOptionsText::Format(),
                                  TOptionsText::FormatValue());
  const QCommandLineOption seconds(QStringLiteral("seconds"), TOptionsText::Seconds(),
                                   TOptionsText::Number());
  const QCommandLineOption blocks(QStringLiteral("blocks"), TOptionsText::Blocks(),
                                  TOptionsText::Number());
  const QCommandLineOption interval(QStringLiteral("interval"), TOptionsText::Interval(),
                                    TOptionsText::Milliseconds());
  const QCommandLineOption list(QStringLiteral("list"), TOptionsText::List());
  const QCommandLineOption noWait(QStringLiteral("no-wait"), TOptionsText::NoWait());
  const QCommandLineOption exitOnUnplug(QStringLiteral("exit-on-unplug"),
                                        TOptionsText::ExitOnUnplug());
  parser.addOptions({output, format, seconds, blocks, interval, list, noWait, exitOnUnplug});

  if (!parser.parse(arguments)) return UsageError(parser.errorText());
  TRecorderCommandLine result;
  if (parser.isSet(help)) {
    result.text = parser.helpText();
    return result;
  }
  if (parser.isSet(version)) {
    result.text = QCoreApplication::applicationName() + QLatin1Char(' ') +
                  QCoreApplication::applicationVersion() + QLatin1Char('\n');
    return result;
  }
  if (!parser.positionalArguments().isEmpty())
    return UsageError(TOptionsText::Unexpected(parser.positionalArguments().first()));

  TRecorderOptions options;
  options.list = parser.isSet(list);
  if (options.list) {
    for (const QCommandLineOption* other :
         {&output, &format, &seconds, &blocks, &interval, &noWait, &exitOnUnplug})
      if (parser.isSet(*other)) return UsageError(TOptionsText::ListAlone());
    result.options = options;
    return result;
  }
  options.output = parser.value(output);
  if (parser.isSet(format)) {
    const QString value = parser.value(format);
    if (value == QLatin1String("csv"))
      options.format = TSampleTable::TFormat::Csv;
    else if (value == QLatin1String("tsv"))
      options.format = TSampleTable::TFormat::Tsv;
    else
      return UsageError(TOptionsText::BadFormat(value));
  }
  if (parser.isSet(seconds)) {
    // The C locale's number syntax, whatever the user's: "1.5", never "1,5".
    bool ok = false;
    const double value = parser.value(seconds).toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0)
      return UsageError(TOptionsText::NotANumber(seconds.names().first(), parser.value(seconds)));
    options.seconds = value;
  }
  if (parser.isSet(blocks)) {
    bool ok = false;
    const qulonglong value = parser.value(blocks).toULongLong(&ok);
    if (!ok || value == 0)
      return UsageError(
          TOptionsText::NotAWholeNumber(blocks.names().first(), parser.value(blocks)));
    options.blocks = value;
  }
  if (parser.isSet(interval)) {
    bool ok = false;
    const int value = parser.value(interval).toInt(&ok);
    if (!ok || value < TRecorderOptions::kMinIntervalMs || value > TRecorderOptions::kMaxIntervalMs)
      return UsageError(TOptionsText::BadInterval(parser.value(interval)));
    options.intervalMs = value;
  }
  options.noWait = parser.isSet(noWait);
  options.exitOnUnplug = parser.isSet(exitOnUnplug);
  result.options = options;
  return result;
}
