// simplescope: a small oscilloscope for the USB experiment board.
#include <QApplication>
#include <QIcon>

#include "app/Form1Window.h"
#include "framework/FontSubstitution.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  InstallFontSubstitutions();
  QApplication::setApplicationDisplayName(QStringLiteral("簡易オシロソフト"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/simplescope.png")));
  TForm1Window window;
  window.show();
  return application.exec();
}
