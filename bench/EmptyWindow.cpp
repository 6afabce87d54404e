// The yardstick for start-up: an empty Qt window of the oscilloscope's size (744 x 662) that
// quits after its first paint, as simplescope does with SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT.
// Whatever the program costs above this is its own doing.
#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

class TEmptyWindow : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  TEmptyWindow window;
  window.setFixedSize(744, 662);
  window.show();
  return application.exec();
}
