// simplescope: a small oscilloscope for the USB experiment board.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "app/Form1.h"
#include "chart/ChartSeries.h"
#include "hid/HidDeviceController.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("簡易オシロソフト"));

  // Until the chart engine is in, the trace's points are kept but not drawn.
  TChartSeries series(nullptr);
  TForm1 form(new THidDeviceController(nullptr), &series);

  QWidget window;
  window.setWindowTitle(QStringLiteral("簡易オシロソフト"));
  window.setFixedSize(744, 662);
  QPushButton start(QStringLiteral("開始"), &window);
  start.setGeometry(400, 488, 113, 114);
  QPushButton stop(QStringLiteral("終了"), &window);
  stop.setGeometry(552, 488, 113, 114);
  QLabel instructions(QStringLiteral("開始ボタンを押して計測開始して下さい。"), &window);
  instructions.setGeometry(56, 478, 315, 131);
  QObject::connect(&start, &QPushButton::clicked, [&] { form.Image2->Click(); });
  QObject::connect(&stop, &QPushButton::clicked, [&] { form.Image3->Click(); });
  form.Panel1->BindWidget(&instructions);
  window.show();
  return application.exec();
}
