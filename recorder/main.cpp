// simplescope-record: records the experiment board's samples as a CSV or TSV table.
#include <QCoreApplication>
#include <QLocale>
#include <cstdio>

#include "Console.h"
#include "DeviceListing.h"
#include "Recorder.h"
#include "RecorderOptions.h"
#include "SimplescopeVersion.h"
#include "StatusLine.h"
#include "StopSignals.h"
#include "framework/Dialogs.h"
#include "framework/MessageWait.h"
#include "framework/TableOutput.h"
#include "framework/Translations.h"
#include "protocol/BoardProtocol.h"

namespace {

class TMainText {
  Q_DECLARE_TR_FUNCTIONS(TRecorderMain)
 public:
  static QString CannotOpen(const QString& file, const QString& reason) {
    return tr("cannot open %1: %2").arg(file, reason);
  }
  static QString FileInUse(const QString& file, const QString& reason) {
    return tr("cannot open %1: another program has it open; close it there and try again (%2)")
        .arg(file, reason);
  }
  static QString StandardOutput() { return tr("standard output"); }
  static QString CannotList() {
    return tr("cannot list the HID devices: the device services (libudev) are missing");
  }
};

void Print(FILE* stream, const QString& text) {
  PutText(stream, text);
}

int ListDevices(TStatusLine& status) {
  THidDeviceController controller(nullptr);
  // Listing holds nothing: only the board is tried for reading and writing where a handle
  // with access rights would stand in other programs' way (Windows).
  controller.SetUsedDevices({{BoardProtocol::kVendorId, BoardProtocol::kProductId}});
  if (!controller.Bound()) {
    status.Say(TMainText::CannotList());
    return 1;
  }
  ProcessMessages();  // the controller's first pass
  Print(stdout, DeviceListingText(ListedDevices(controller)));
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Before any thread exists, so that none of them takes a stop signal.
  TStopSignals::Block();

  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("simplescope-record"));
  QCoreApplication::setApplicationVersion(QLatin1String(kSimplescopeVersion));
  InstallTranslations(QStringLiteral("simplescope-record"));

  const TRecorderCommandLine commandLine = ParseRecorderCommandLine(application.arguments());
  if (!commandLine.options) {
    Print(commandLine.exitCode == 0 ? stdout : stderr, commandLine.text);
    return commandLine.exitCode;
  }
  const TRecorderOptions& options = *commandLine.options;

  // The progress line is for a terminal that shows nothing else: on one that also shows
  // the table it would be written into the rows.
  const bool toStandardOutput = options.output.isEmpty() || options.output == QLatin1String("-");
  const bool tableOnTerminal = toStandardOutput && IsTerminal(stdout);
  TStatusLine status(IsTerminal(stderr) && !tableOnTerminal, TakesLineSequences(stderr));
  // An error in a handler is said on standard error; there is no window to show it in.
  SetMessageBoxHook([&status](TBoxKind, const QString& text) { status.Say(text); });
  if (options.list) return ListDevices(status);

  QString reason;
  bool inUse = false;
  std::unique_ptr<TTableOutput> output =
      toStandardOutput ? TTableOutput::OpenStandardOutput(TMainText::StandardOutput())
                       : TTableOutput::OpenFile(options.output, reason, &inUse);
  if (!output) {
    status.Say(inUse ? TMainText::FileInUse(options.output, reason)
                     : TMainText::CannotOpen(options.output, reason));
    return 1;
  }
  TRecorder recorder(options, *output, status);
  TStopSignals stopSignals([&recorder](int) { recorder.Stop(); });
  recorder.Start([](int exitCode) { QCoreApplication::exit(exitCode); });
  return application.exec();
}
