// simplescope: a small oscilloscope for the USB experiment board.
#include <QApplication>
#include <QIcon>
#include <QTimer>

#include "app/Form1Window.h"
#include "framework/FontSubstitution.h"

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

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  InstallFontSubstitutions();
  QApplication::setApplicationDisplayName(QStringLiteral("簡易オシロソフト"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/simplescope.png")));
  TForm1Window window;
  TQuitAfterFirstPaint quitter;
  if (qEnvironmentVariableIsSet("SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT"))
    window.installEventFilter(&quitter);
  window.show();
  return application.exec();
}
