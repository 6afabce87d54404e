#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "SimplescopeVersion.h"
#include "framework/StandardOptions.h"

TWindowCommandLine ParseWindowCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QCoreApplication::translate(
      "simplescope",
      "A small oscilloscope for the USB experiment board of teaching kits (HID device,\n"
      "vendor 0x21CF, product 0x0004). The window finds the board and follows it when it is\n"
      "plugged in and out; a click on the start picture starts measuring."));
  const auto [help, version] = AddStandardOptions(parser);

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
    result.text = parser.helpText();
  } else if (parser.isSet(version)) {
    result.run = false;
    result.text = QStringLiteral("simplescope %1\n").arg(QLatin1String(kSimplescopeVersion));
  } else if (!parser.positionalArguments().isEmpty()) {
    return mistake(QCoreApplication::translate("simplescope", "takes no arguments: \"%1\"")
                       .arg(parser.positionalArguments().constFirst()));
  }
  return result;
}
