#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include "SimplescopeVersion.h"
#include "framework/StandardOptions.h"

QString WindowKeysHelp() {
  return QCoreApplication::translate(
      "simplescope",
      "Keys in the window:\n"
      "  F5            Start measuring, as a click on the start picture.\n"
      "  F6            Stop measuring, as a click on the stop picture.\n"
      "  Tab           Go to the start picture, the stop picture and the chart in turn;\n"
      "                Space or Enter on a picture clicks it.\n"
      "  Ctrl+M        Open the measurements window (Esc or Ctrl+W closes it, Ctrl+C\n"
      "                copies its figures).\n"
      "  A, B          Put cursor A or B on the sample under the pointer (with the\n"
      "                keyboard on the chart: in the middle of the trace).\n"
      "  Left, Right   Move the cursor placed last by one sample; with Shift, by ten.\n"
      "  Esc           Remove the cursors.\n"
      "  Ctrl+C        Copy the trace's values.\n"
      "  Ctrl+S        Save a picture of the window.\n"
      "  Ctrl+G        Save the graph as a picture for a report (PNG or SVG).\n"
      "  Ctrl+Shift+S  Save the trace's values as a CSV file.\n"
      "  Ctrl+R        Record every sample to a file while measuring; again: stop.\n"
      "  Ctrl+O        Open a recording or saved values (also a file dropped on the\n"
      "                window); not while measuring.\n"
      "  Menu key      Open the chart's menu (also a right click on the chart).\n");
}

TWindowCommandLine ParseWindowCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QCoreApplication::translate(
      "simplescope",
      "A small oscilloscope for the USB experiment board of teaching kits (HID device,\n"
      "vendor 0x21CF, product 0x0004). The window finds the board and follows it when it is\n"
      "plugged in and out; a click on the start picture starts measuring."));
  const auto [help, version] = AddStandardOptions(parser);
  parser.addPositionalArgument(
      QStringLiteral("FILE"),
      QCoreApplication::translate("simplescope",
                                  "A recording (block,sample,time_s,raw,volts) or saved values "
                                  "(sample,volts), CSV or TSV, to open."),
      QStringLiteral("[FILE]"));

  TWindowCommandLine result;
  const auto mistake = [&](const QString& text) {
    result.run = false;
    result.exitCode = 2;
    result.text = QStringLiteral("simplescope: ") + text + QLatin1Char('\n') +
                  QCoreApplication::translate("simplescope",
                                              "Try 'simplescope --help' for more information.") +
                  QLatin1Char('\n');
    return result;
  };
  if (!parser.parse(arguments)) return mistake(parser.errorText());
  if (parser.isSet(help)) {
    result.run = false;
    result.text = parser.helpText() + QLatin1Char('\n') + WindowKeysHelp();
  } else if (parser.isSet(version)) {
    result.run = false;
    result.text = QStringLiteral("simplescope %1\n").arg(QLatin1String(kSimplescopeVersion));
  } else if (const QStringList files = parser.positionalArguments(); files.size() > 1) {
    return mistake(
        QCoreApplication::translate("simplescope", "takes one file at most: \"%1\"").arg(files[1]));
  } else if (!files.isEmpty()) {
    // Said here, before the window opens for nothing.
    if (!QFileInfo(files[0]).isFile())
      return mistake(
          QCoreApplication::translate("simplescope", "no such file: \"%1\"").arg(files[0]));
    result.file = QFileInfo(files[0]).absoluteFilePath();
  }
  return result;
}
