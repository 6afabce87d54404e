// The yardsticks the program is measured against: an empty Qt window of the oscilloscope's
// size (744 x 662).
// - Started alone, it says when it painted first and quits, as simplescope does with
//   SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT (bench/startup.sh): whatever the program costs above
//   this at start-up is its own doing.
// - With --tick it draws a trace of 200 points into an area of the chart's size (617 x 281)
//   ten times a second, from a timer, until it is ended (bench/wine-cost.sh): what any Qt
//   window that redraws so costs on a platform, the floor under what measuring can cost.
#include <QApplication>
#include <QPainter>
#include <QPolygon>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

class TEmptyWindow : public QWidget {
 public:
  explicit TEmptyWindow(bool ticking) : ticking_(ticking) {
    if (!ticking_) return;
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
      ++phase_;
      update(kChart);
    });
    timer_.start(100);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (ticking_) {
      QPainter painter(this);
      painter.fillRect(kChart, Qt::black);
      QPolygon trace;
      for (int i = 0; i < 200; ++i)
        trace << QPoint(
            kChart.left() + i * 3,
            kChart.center().y() + static_cast<int>(100 * std::sin((i + phase_) / 10.0)));
      painter.setPen(QPen(Qt::yellow, 2));
      painter.drawPolyline(trace);
      return;
    }
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
  static constexpr QRect kChart{64, 112, 617, 281};
  const bool ticking_;
  QTimer timer_;
  int phase_ = 0;
  bool painted_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const bool ticking = argc > 1 && std::strcmp(argv[1], "--tick") == 0;
  TEmptyWindow window(ticking);
  window.setWindowTitle(ticking ? QStringLiteral("ticking window") : QString());
  window.setFixedSize(744, 662);
  window.show();
  return application.exec();
}
