#include "BoardOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>

#include "SimplescopeVersion.h"
#include "framework/StandardOptions.h"

namespace {

const std::map<std::string, TSignalKind> kSignalNames = {
    {"sine", TSignalKind::Sine},         {"square", TSignalKind::Square},
    {"triangle", TSignalKind::Triangle}, {"noise", TSignalKind::Noise},
    {"constant", TSignalKind::Constant}, {"file", TSignalKind::File}};

using TUsageError = TBoardUsageError;

}  // namespace

// Numbers are read the same in every locale: QCoreApplication takes the user's LC_NUMERIC,
// under which strtod would want "1,5" for 1.5.
double BoardOptionNumber(const char* option, const std::string& text, double min, double max) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  double value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (text.empty() || end != last || error != std::errc() || !std::isfinite(value) || value < min ||
      value > max) {
    throw TUsageError(
        QCoreApplication::translate("simplescope-board", "%1: \"%2\" is not a number from %3 to %4")
            .arg(QString::fromLatin1(option), QString::fromStdString(text), QString::number(min),
                 QString::number(max))
            .toStdString());
  }
  return value;
}

namespace {

double Number(const char* option, const std::string& text, double min, double max) {
  return BoardOptionNumber(option, text, min, max);
}

int Whole(const char* option, const std::string& text, int min, int max) {
  const double value = Number(option, text, min, max);
  if (value != std::floor(value))
    throw TUsageError(QCoreApplication::translate("simplescope-board", "%1: \"%2\" is not whole")
                          .arg(QString::fromLatin1(option), QString::fromStdString(text))
                          .toStdString());
  return static_cast<int>(value);
}

// What the option list can't say.
std::string HelpNotes() {
  return QCoreApplication::translate(
             "simplescope-board",
             "\nRaw values for --file=PATH are sent in turn and repeated: whole numbers "
             "0..65535,\ndecimal or 0x hex, separated by spaces, commas or lines; '#' starts a "
             "comment.\n512 is 0 V, one volt is 102.4. The board measures from -5 V to +5 V: "
             "voltages\nbeyond are clipped.\n\n"
             "Needs read and write access to /dev/uhid (kernel module uhid). That access lets "
             "its\nuser make any input device, keyboards included, so no udev rule of this "
             "package\ngives it: run the tool as root (sudo simplescope-board).\n")
      .toStdString();
}

}  // namespace

TBoardCommandLine ParseBoardCommandLine(int argc, const char* const* argv) {
  QStringList arguments{QStringLiteral("simplescope-board")};
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

  QCommandLineParser parser;
  parser.setApplicationDescription(QCoreApplication::translate(
      "simplescope-board",
      "Makes a virtual experiment board (USB HID, vendor 0x21CF, product 0x0004) through\n"
      "/dev/uhid, so simplescope can be tried and tested without the hardware. The board\n"
      "answers every command 3 with 32 samples of the chosen signal, which goes on from one\n"
      "answer to the next. It runs until interrupted (Ctrl+C) and then unplugs itself."));
  const TBoardOptionSet boardOptions(parser);
  const auto [help, version] = AddStandardOptions(parser);

  TBoardCommandLine result;
  try {
    if (!parser.parse(arguments)) throw TUsageError(parser.errorText().toStdString());
    if (parser.isSet(help)) {
      result.message = parser.helpText().toStdString() + HelpNotes();
      return result;
    }
    if (parser.isSet(version)) {
      result.message = std::string("simplescope-board ") + kSimplescopeVersion + "\n";
      return result;
    }
    if (!parser.positionalArguments().isEmpty())
      throw TUsageError(
          QCoreApplication::translate("simplescope-board", "unexpected argument \"%1\"")
              .arg(parser.positionalArguments().constFirst())
              .toStdString());
    result.options = boardOptions.Read(parser);
  } catch (const std::exception& error) {
    result.message =
        std::string("simplescope-board: ") + error.what() + "\n" +
        QCoreApplication::translate("simplescope-board",
                                    "Try 'simplescope-board --help' for more information.")
            .toStdString() +
        "\n";
    result.exitCode = 2;
  }
  return result;
}

namespace {

QCommandLineOption BoardOption(const char* name, const QString& description,
                               const QString& valueName = {}) {
  return QCommandLineOption(QString::fromLatin1(name), description, valueName);
}

}  // namespace

struct TBoardOptionSet::TOptions {
  QCommandLineOption signal = BoardOption(
      "signal",
      QCoreApplication::translate("simplescope-board",
                                  "sine (default), square, triangle, noise, constant or file."),
      QCoreApplication::translate("simplescope-board", "KIND"));
  QCommandLineOption period = BoardOption(
      "period",
      QCoreApplication::translate(
          "simplescope-board", "Samples in one period of sine, square or triangle (default 64)."),
      QCoreApplication::translate("simplescope-board", "SAMPLES"));
  QCommandLineOption amplitude =
      BoardOption("amplitude",
                  QCoreApplication::translate("simplescope-board",
                                              "Peak voltage about the offset (default 2)."),
                  QCoreApplication::translate("simplescope-board", "VOLTS"));
  QCommandLineOption offset = BoardOption(
      "offset",
      QCoreApplication::translate("simplescope-board", "Voltage added to the signal (default 0)."),
      QCoreApplication::translate("simplescope-board", "VOLTS"));
  QCommandLineOption seed = BoardOption(
      "seed",
      QCoreApplication::translate("simplescope-board", "Start of the noise generator (default 1)."),
      QCoreApplication::translate("simplescope-board", "N"));
  QCommandLineOption file = BoardOption(
      "file",
      QCoreApplication::translate("simplescope-board", "Raw values for --signal=file (see below)."),
      QCoreApplication::translate("simplescope-board", "PATH"));
  QCommandLineOption delay = BoardOption(
      "delay",
      QCoreApplication::translate("simplescope-board",
                                  "Fault: answer MS milliseconds late (the program waits 50 ms)."),
      QCoreApplication::translate("simplescope-board", "MS"));
  QCommandLineOption shortAnswer = BoardOption(
      "short",
      QCoreApplication::translate("simplescope-board",
                                  "Fault: answer with only BYTES bytes (0..63) instead of 64."),
      QCoreApplication::translate("simplescope-board", "BYTES"));
  QCommandLineOption silent = BoardOption(
      "silent", QCoreApplication::translate("simplescope-board", "Fault: never answer."));
  QCommandLineOption unplugEvery = BoardOption(
      "unplug-every",
      QCoreApplication::translate("simplescope-board",
                                  "Fault: unplug after SECONDS plugged in, then plug in again..."),
      QCoreApplication::translate("simplescope-board", "SECONDS"));
  QCommandLineOption unpluggedFor = BoardOption(
      "unplugged-for",
      QCoreApplication::translate("simplescope-board", "...after this long away (default 1)."),
      QCoreApplication::translate("simplescope-board", "SECONDS"));
  QCommandLineOption name = BoardOption(
      "name",
      QCoreApplication::translate("simplescope-board",
                                  "The device's name (default \"simplescope virtual board\")."),
      QCoreApplication::translate("simplescope-board", "TEXT"));
  QCommandLineOption verbose = BoardOption(
      "verbose",
      QCoreApplication::translate("simplescope-board", "Print each command and answer."));
};

TBoardOptionSet::TBoardOptionSet(QCommandLineParser& parser) : options_(new TOptions) {
  const TOptions& o = *options_;
  parser.addOptions({o.signal, o.period, o.amplitude, o.offset, o.seed, o.file, o.delay,
                     o.shortAnswer, o.silent, o.unplugEvery, o.unpluggedFor, o.name, o.verbose});
}

TBoardOptionSet::~TBoardOptionSet() = default;

TBoardOptions TBoardOptionSet::Read(const QCommandLineParser& parser) const {
  // The last of a repeated option counts, as it did on every command line of old.
  const auto value = [&](const QCommandLineOption& option) {
    return parser.values(option).constLast().toStdString();
  };
  const TOptions& o = *options_;
  TBoardOptions options;
  if (parser.isSet(o.signal)) {
    const auto kind = kSignalNames.find(value(o.signal));
    if (kind == kSignalNames.end())
      throw TUsageError(
          QCoreApplication::translate(
              "simplescope-board",
              "--signal: \"%1\" is not one of sine, square, triangle, noise, constant, "
              "file")
              .arg(QString::fromStdString(value(o.signal)))
              .toStdString());
    options.signal.kind = kind->second;
  }
  if (parser.isSet(o.period))
    options.signal.periodSamples = Number("--period", value(o.period), 2, 1e9);
  if (parser.isSet(o.amplitude))
    options.signal.amplitudeVolts = Number("--amplitude", value(o.amplitude), 0, 10);
  if (parser.isSet(o.offset))
    options.signal.offsetVolts = Number("--offset", value(o.offset), -10, 10);
  if (parser.isSet(o.seed))
    options.signal.seed = static_cast<uint32_t>(Number("--seed", value(o.seed), 0, 4294967295.0));
  if (parser.isSet(o.file)) options.signalFile = value(o.file);
  if (parser.isSet(o.delay)) options.answerDelayMs = Whole("--delay", value(o.delay), 0, 600000);
  if (parser.isSet(o.shortAnswer))
    options.shortAnswerBytes = Whole("--short", value(o.shortAnswer), 0, 63);
  options.silent = parser.isSet(o.silent);
  if (parser.isSet(o.unplugEvery))
    options.unplugEverySeconds = Number("--unplug-every", value(o.unplugEvery), 0.01, 1e6);
  if (parser.isSet(o.unpluggedFor))
    options.unpluggedSeconds = Number("--unplugged-for", value(o.unpluggedFor), 0, 1e6);
  if (parser.isSet(o.name)) options.name = value(o.name);
  options.verbose = parser.isSet(o.verbose);

  if (options.signal.kind == TSignalKind::File) {
    if (options.signalFile.empty())
      throw TUsageError(
          QCoreApplication::translate("simplescope-board", "--signal=file needs --file=PATH")
              .toStdString());
    options.signal.rawValues = TBoardSignal::ReadRawValues(options.signalFile);
  } else if (!options.signalFile.empty()) {
    throw TUsageError(
        QCoreApplication::translate("simplescope-board", "--file is for --signal=file")
            .toStdString());
  }
  return options;
}

std::string DescribeSignal(const TBoardOptions& options) {
  const auto number = [](double value) { return QString::number(value); };
  const TSignalSettings& s = options.signal;
  QString text;
  for (const auto& [name, kind] : kSignalNames)
    if (kind == s.kind) text += QString::fromStdString(name);
  switch (s.kind) {
    case TSignalKind::Sine:
    case TSignalKind::Square:
    case TSignalKind::Triangle:
      text += QCoreApplication::translate("simplescope-board", ", %1 samples per period, %2 V")
                  .arg(number(s.periodSamples), number(s.amplitudeVolts));
      break;
    case TSignalKind::Noise:
      text +=
          QCoreApplication::translate("simplescope-board", ", %1 V").arg(number(s.amplitudeVolts));
      break;
    case TSignalKind::File:
      text += QCoreApplication::translate("simplescope-board", " %1, %2 values")
                  .arg(QString::fromStdString(options.signalFile))
                  .arg(s.rawValues.size());
      break;
    case TSignalKind::Constant:
      break;
  }
  if (s.kind != TSignalKind::File)
    text += QCoreApplication::translate("simplescope-board", ", offset %1 V")
                .arg(number(s.offsetVolts));
  if (options.silent) text += QCoreApplication::translate("simplescope-board", "; never answers");
  if (options.answerDelayMs > 0)
    text += QCoreApplication::translate("simplescope-board", "; answers %1 ms late")
                .arg(options.answerDelayMs);
  if (options.shortAnswerBytes >= 0)
    text += QCoreApplication::translate("simplescope-board", "; answers with %1 bytes")
                .arg(options.shortAnswerBytes);
  if (options.unplugEverySeconds > 0)
    text += QCoreApplication::translate("simplescope-board", "; unplugs after %1 s for %2 s")
                .arg(number(options.unplugEverySeconds), number(options.unpluggedSeconds));
  return text.toStdString();
}
