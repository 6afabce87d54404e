// simplescope: a small oscilloscope for the USB experiment board.
#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/Form1Window.h"
#include "framework/FontSubstitution.h"
#include "framework/Translations.h"

namespace {

// For measuring start-up (bench/): ends the program once the window has been painted.
class TQuitAfterFirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    return QObject::eventFilter(watched, event);
  }
};

// Reads the command line before the window system is reached, so --help, --version and a
// mistake are answered without a display. Returns the exit code, or -1 to go on.
int AnswerCommandLine(int argc, char* argv[]) {
  QCoreApplication application(argc, argv);
  InstallTranslations(QStringLiteral("simplescope"));
  const TWindowCommandLine commandLine = ParseWindowCommandLine(QCoreApplication::arguments());
  if (commandLine.run) return -1;
  std::fputs(commandLine.text.toLocal8Bit().constData(), commandLine.exitCode ? stderr : stdout);
  return commandLine.exitCode;
}

// The icon is a PNG, which Qt reads itself: named as such, the reader doesn't load every
// picture format plugin to ask each whether the file is its own.
QIcon ProgramIcon() {
  QImageReader reader(QStringLiteral(":/pictures/simplescope.png"), "png");
  reader.setAutoDetectImageFormat(false);
  return QIcon(QPixmap::fromImage(reader.read()));
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const int exitCode = AnswerCommandLine(argc, argv); exitCode >= 0) return exitCode;
  QApplication application(argc, argv);
  InstallFontSubstitutions();
  QApplication::setFont(TForm1Window::ProgramFont());
  QApplication::setApplicationDisplayName(QStringLiteral("簡易オシロソフト"));
  QApplication::setWindowIcon(ProgramIcon());
  TForm1Window window;
  TQuitAfterFirstPaint quitter;
  if (qEnvironmentVariableIsSet("SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT"))
    window.installEventFilter(&quitter);
  window.show();
  return application.exec();
}
