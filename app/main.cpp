// simplescope: a small oscilloscope for the USB experiment board.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/Form1Window.h"
#include "framework/CommandLineOutput.h"
#include "framework/Dialogs.h"
#include "framework/FontConfigWarmUp.h"
#include "framework/FontSubstitution.h"
#include "framework/PixelFile.h"
#include "framework/Translations.h"

namespace {

// For measuring start-up (bench/): once the window has been painted and handed to the
// window system, says when (microseconds since the epoch, on standard output) and ends the
// program. The time is taken before the exit, which the measuring should not count.
class TQuitAfterFirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !painted_) {
      painted_ = true;
      QTimer::singleShot(0, QCoreApplication::instance(), [] {
        std::printf("first paint %lld\n", static_cast<long long>(MicrosecondsSinceEpoch()));
        std::fflush(stdout);
        QCoreApplication::quit();
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  static qint64 MicrosecondsSinceEpoch() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  }
  bool painted_ = false;
};

// Reads the command line before the window system is reached, so --help, --version and a
// mistake are answered without a display. Returns the exit code, or -1 to go on (with the
// file to open in `file`).
int AnswerCommandLine(int argc, char* argv[], QString& file) {
  QCoreApplication application(argc, argv);
  InstallTranslations(QStringLiteral("simplescope"));
  const TWindowCommandLine commandLine = ParseWindowCommandLine(QCoreApplication::arguments());
  file = commandLine.file;
  if (commandLine.run) return -1;
  ShowCommandLineText(commandLine.text, commandLine.exitCode != 0);
  return commandLine.exitCode;
}

// The window's icon is kept as its pixels (the PNG beside it is the desktop's).
QIcon ProgramIcon() {
  const QImage image =
      ImageFromPixelFile(TForm1Window::PictureFile(QStringLiteral("simplescope.pixels")));
  return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace

int main(int argc, char* argv[]) {
  // Started without arguments, as from the desktop, the program has nothing to answer: it
  // spares itself the application object and message catalogues that reading them takes.
  QString file;
  if (argc > 1)
    if (const int exitCode = AnswerCommandLine(argc, argv, file); exitCode >= 0) return exitCode;
  // The font configuration is read while Qt connects to the display.
  TFontConfigWarmUp fontConfig;
  QApplication application(argc, argv);
  fontConfig.Wait();
  InstallFontSubstitutions();
  QApplication::setFont(TForm1Window::ProgramFont());
  // Not the display name: the window system would append it to the caption while recording.
  SetErrorBoxCaption(TForm1::kCaption);
  QApplication::setWindowIcon(ProgramIcon());
  TForm1Window window;
  TQuitAfterFirstPaint quitter;
  if (qEnvironmentVariableIsSet("SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT"))
    window.installEventFilter(&quitter);
  window.show();
  if (!file.isEmpty())
    QTimer::singleShot(0, &window, [&window, file] { window.Form().OpenRecording(file); });
  return application.exec();
}
