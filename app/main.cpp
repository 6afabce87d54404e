// simplescope: a small oscilloscope for the USB experiment board.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "app/ChartSettings.h"
#include "app/Form1.h"
#include "framework/FontSubstitution.h"
#include "hid/HidDeviceController.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  InstallFontSubstitutions();
  QApplication::setApplicationDisplayName(QStringLiteral("簡易オシロソフト"));

  QWidget window;
  window.setWindowTitle(QStringLiteral("簡易オシロソフト"));
  window.setFixedSize(744, 662);
  auto* chart = new TChart(&window);
  chart->setGeometry(64, 136, 617, 281);
  auto* series = new TFastLineSeries(chart);
  ApplyOscilloscopeChartSettings(*chart, *series);

  TForm1 form(new THidDeviceController(nullptr), series);

  QPushButton start(QStringLiteral("開始"), &window);
  start.setGeometry(400, 488, 113, 114);
  QPushButton stop(QStringLiteral("終了"), &window);
  stop.setGeometry(552, 488, 113, 114);
  QLabel instructions(QStringLiteral("開始ボタンを押して計測開始して下さい。"), &window);
  instructions.setGeometry(56, 478, 315, 131);
  QObject::connect(&start, &QPushButton::clicked, [&] { form.Image2->Click(); });
  QObject::connect(&stop, &QPushButton::clicked, [&] { form.Image3->Click(); });
  QPushButton sine(QStringLiteral("サイン波"), &window);
  sine.setGeometry(56, 620, 75, 25);
  QObject::connect(&sine, &QPushButton::clicked, [&] { form.Button3->Click(); });
  form.Panel1->BindWidget(&instructions);
  window.show();
  return application.exec();
}
