#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "framework/Dialogs.h"
#include "framework/Exceptions.h"
#include "framework/MainThreadCall.h"
#include "framework/MessageWait.h"
#include "framework/Thread.h"

namespace {

using namespace std::chrono_literals;

void CloseOpenBoxes() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible() && widget->isModal()) widget->close();
}

// A worker that hands `calls` increments of a main-thread counter over, one by one.
class TCountingThread : public TThread {
 public:
  TCountingThread(int* counter, int calls) : counter_(counter), calls_(calls) {}
  ~TCountingThread() override {
    Terminate();
    WaitFor();
  }
  std::atomic<int> handedOver{0};
  std::atomic<bool> ranOnMainThread{true};

 protected:
  void Execute() override {
    for (int i = 0; i < calls_ && !Terminated(); ++i) {
      Synchronize([this] {
        if (!MainThreadCall::IsMainThread()) ranOnMainThread = false;
        ++*counter_;  // plain int: only the main thread touches it
      });
      ++handedOver;
    }
  }

 private:
  int* counter_;
  int calls_;
};

}  // namespace

TEST(MainThreadCall, RunsOnlyWhenTheMainThreadProcessesMessages) {
  std::atomic<bool> ran{false};
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    MainThreadCall::Synchronize([&] {
      EXPECT_TRUE(MainThreadCall::IsMainThread());
      ran = true;
    });
    returned = true;
  });
  std::this_thread::sleep_for(50ms);  // the main thread is busy: nothing may run
  EXPECT_FALSE(ran);
  EXPECT_FALSE(returned);
  WaitMs(20);
  EXPECT_TRUE(ran);
  worker.join();
  EXPECT_TRUE(returned);
}

TEST(MainThreadCall, RunsInsideTheEventLoopByItself) {
  int counter = 0;
  TCountingThread worker(&counter, 5);
  worker.Start();
  QTimer poll;
  // Bound to this test: left pending, it would end whatever loop runs two seconds later.
  QTimer::singleShot(2000, &poll, [] { QCoreApplication::exit(1); });
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (worker.Finished()) QCoreApplication::exit(0);
  });
  poll.start(5);
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_EQ(counter, 5);
}

TEST(MainThreadCall, PassesTheCallsExceptionBackToTheWorker) {
  QString caught;
  std::thread worker([&] {
    try {
      MainThreadCall::Synchronize([] { throw EConvertError("bad"); });
    } catch (const EConvertError& e) {
      caught = e.Message();
    }
  });
  MainThreadCall::ServeUntil([&] { return !caught.isEmpty(); }, 2000);
  worker.join();
  EXPECT_EQ(caught, "bad");
}

TEST(MainThreadCall, OnTheMainThreadRunsAtOnce) {
  bool ran = false;
  MainThreadCall::Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(Thread, WaitForServesTheWorkersHandOversSoStoppingCannotDeadlock) {
  int counter = 0;
  TCountingThread worker(&counter, 1000000);
  worker.Start();
  // Let the worker block in a hand-over that nobody serves yet.
  while (worker.handedOver == 0) MainThreadCall::ServeUntil([] { return true; });
  std::this_thread::sleep_for(20ms);
  worker.Terminate();
  worker.WaitFor();
  EXPECT_TRUE(worker.Finished());
  EXPECT_EQ(counter, worker.handedOver.load());
  EXPECT_TRUE(worker.ranOnMainThread);
}

TEST(Thread, ManyWorkersHandOverToOneMainThread) {
  int counter = 0;
  {
    std::vector<std::unique_ptr<TCountingThread>> workers;
    for (int i = 0; i < 4; ++i) {
      workers.push_back(std::make_unique<TCountingThread>(&counter, 500));
      workers.back()->Start();
    }
    auto allDone = [&] {
      for (auto& w : workers)
        if (!w->Finished()) return false;
      return true;
    };
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!allDone() && std::chrono::steady_clock::now() < deadline) WaitMs(5);
    for (auto& w : workers) EXPECT_TRUE(w->ranOnMainThread);
  }
  EXPECT_EQ(counter, 2000);
}

TEST(MainThreadCall, ServedUnderAModalBox) {
  std::atomic<bool> boxWasOpen{false};
  std::atomic<bool> delivered{false};
  std::thread worker;
  // Once the box is up, a worker hands a call over; the box closes after it ran.
  QTimer closer;  // also the context of the single shots: none outlives the test
  QTimer::singleShot(50, &closer, [&] {
    worker = std::thread([&] {
      MainThreadCall::Synchronize([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
          if (widget->isVisible() && widget->isModal()) boxWasOpen = true;
        delivered = true;
      });
    });
  });
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (delivered) CloseOpenBoxes();
  });
  closer.start(10);
  QTimer::singleShot(5000, &closer, [] { CloseOpenBoxes(); });
  ShowWarningBox("waiting for a delivery");
  ASSERT_TRUE(worker.joinable()) << "the box closed before the worker started";
  worker.join();
  EXPECT_TRUE(delivered);
  EXPECT_TRUE(boxWasOpen);
}
