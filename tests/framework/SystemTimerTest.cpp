#include <gtest/gtest.h>

#include <QObject>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "framework/MessageTarget.h"
#include "framework/MessageWait.h"
#include "framework/SystemTimer.h"
#include "framework/WakeEvent.h"

namespace {

using namespace std::chrono_literals;

// Keeps the main thread from its message loop, as a long handler does.
void BusyFor(std::chrono::milliseconds time) {
  std::this_thread::sleep_for(time);
}

}  // namespace

TEST(SystemTimer, OneShotRunsOnceAndOnlyFromTheMessageLoop) {
  int runs = 0;
  const auto timer = StartSystemTimer(10, false, [&] { ++runs; });
  BusyFor(40ms);
  EXPECT_EQ(runs, 0) << "ran outside the message loop";
  WaitMs(60);
  EXPECT_EQ(runs, 1);
  WaitMs(60);
  EXPECT_EQ(runs, 1);
}

TEST(SystemTimer, NothingRunsOnceTheTimerIsGone) {
  int runs = 0;
  auto timer = StartSystemTimer(10, true, [&] { ++runs; });
  // Timeouts come while the main thread is busy and are on their way when the timer goes.
  BusyFor(50ms);
  timer.reset();
  WaitMs(60);
  EXPECT_EQ(runs, 0);
}

TEST(SystemTimer, TimeoutsWhileBusyCountAsOne) {
  int runs = 0;
  const auto timer = StartSystemTimer(10, true, [&] {
    ++runs;
    if (runs == 1) BusyFor(100ms);  // ten intervals without the message loop
  });
  WaitMs(150);
  // The first run, the ten missed as one, and the few of the last 40 ms: not a burst of ten.
  EXPECT_GE(runs, 3);
  EXPECT_LE(runs, 8);
}

TEST(SystemTimer, AHandlerMayEndItsOwnTimer) {
  int runs = 0;
  std::unique_ptr<QObject> timer;
  timer = StartSystemTimer(10, true, [&] {
    ++runs;
    timer.reset();
  });
  WaitMs(80);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(timer, nullptr);
}

// The hidden receiver's watch on a wait object that a worker signals: the handler runs on
// the main thread once per signal it had time to see, and never after the watch ends, even
// when the handler itself ends it.
TEST(MessageTargetWatch, RunsPerSignalUntilStoppedFromItsOwnHandler) {
  TWakeEvent event;
  ASSERT_TRUE(event.Valid());
  TMessageTarget target;
  int arrivals = 0;
  bool stopInside = false;
  target.Watch(event.Object(), [&] {
    event.Clear();
    ++arrivals;
    if (stopInside) target.StopWatching();
  });
  for (int i = 0; i < 3; ++i) {
    std::thread([&] { event.Signal(); }).join();
    WaitMs(30);
  }
  EXPECT_EQ(arrivals, 3);
  stopInside = true;
  event.Signal();
  WaitMs(30);
  EXPECT_EQ(arrivals, 4);
  event.Signal();
  WaitMs(30);
  EXPECT_EQ(arrivals, 4);
}
