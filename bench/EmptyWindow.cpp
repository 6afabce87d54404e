// The yardstick for start-up: an empty Qt window of the oscilloscope's size (744 x 662) that
// says when it painted first and quits, as simplescope does with
// SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT.
// Whatever the program costs above this is its own doing.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace {

class TEmptyWindow : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    if (painted_) return;
    painted_ = true;
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
      using namespace std::chrono;
      const auto now = duration_cast<microseconds>(system_clock::now().time_since_epoch());
      std::printf("first paint %lld\n", static_cast<long long>(now.count()));
      std::fflush(stdout);
      QCoreApplication::quit();
    });
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  TEmptyWindow window;
  window.setFixedSize(744, 662);
  window.show();
  return application.exec();
}
