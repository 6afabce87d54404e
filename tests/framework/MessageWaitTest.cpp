#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>

#include "ProcessCpuTime.h"
#include "framework/Dialogs.h"
#include "framework/Exceptions.h"
#include "framework/MessageWait.h"
#include "framework/Timer.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A tick counter that starts just short of the wrap and runs with real time.
class WrappingTickSource {
 public:
  explicit WrappingTickSource(uint32_t start) {
    SetTickSource(
        [start, origin = Clock::now()] { return start + static_cast<uint32_t>(MsSince(origin)); });
  }
  ~WrappingTickSource() { SetTickSource({}); }
};

struct TTickCounter {
  void Tick(TObject*) {
    ++ticks;
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    if (waitInside && depth == 1) WaitMs(waitInside);
    --depth;
  }
  void Raise(TObject*) { throw Exception("tick failed"); }
  int ticks = 0;
  int depth = 0;
  int maxDepth = 0;
  uint32_t waitInside = 0;
};

}  // namespace

TEST(WaitMs, LastsAtLeastTheRequestedTimeAcrossTheCounterWrap) {
  for (uint32_t start : {0xFFFFFFF0u, 0xFFFFFFFFu, 0x7FFFFFF0u, 0u}) {
    WrappingTickSource ticks(start);
    const auto begin = Clock::now();
    WaitMs(50);
    const int64_t took = MsSince(begin);
    EXPECT_GE(took, 50) << std::hex << start;
    EXPECT_LT(took, 1000) << std::hex << start;
  }
}

TEST(WaitMs, ProcessesMessagesWhileWaiting) {
  bool fired = false;
  QTimer::singleShot(10, [&] { fired = true; });
  WaitMs(60);
  EXPECT_TRUE(fired);
}

TEST(WaitMs, SleepsInsteadOfSpinning) {
  const double cpuBefore = ProcessCpuMs();
  const auto begin = Clock::now();
  WaitMs(300);
  const double cpuMs = ProcessCpuMs() - cpuBefore;
  // The wait counts whole milliseconds of the tick counter: up to one less in real time.
  EXPECT_GE(MsSince(begin), 299);
  EXPECT_LT(cpuMs, 100.0) << "the wait kept the processor busy";
}

TEST(WaitMs, ZeroReturnsAtOnce) {
  const auto begin = Clock::now();
  WaitMs(0);
  EXPECT_LT(MsSince(begin), 20);
}

TEST(Timer, RunsOnlyWhenEnabledWithIntervalAndHandler) {
  TTickCounter counter;
  TTimer timer(nullptr);
  timer.SetInterval(10);
  WaitMs(50);  // enabled by default, but without a handler
  timer.SetOnTimer(TNotifyEvent::Bind<&TTickCounter::Tick>(&counter));
  timer.SetEnabled(false);
  WaitMs(50);
  EXPECT_EQ(counter.ticks, 0);
  timer.SetEnabled(true);
  WaitMs(100);
  EXPECT_GE(counter.ticks, 3);
  timer.SetInterval(0);
  const int before = counter.ticks;
  WaitMs(50);
  EXPECT_EQ(counter.ticks, before);
}

TEST(Timer, TicksNestInsideAHandlerThatWaitsLongerThanTheInterval) {
  TTickCounter counter;
  counter.waitInside = 100;
  TTimer timer(nullptr);
  timer.SetInterval(30);
  timer.SetOnTimer(TNotifyEvent::Bind<&TTickCounter::Tick>(&counter));
  WaitMs(150);
  timer.SetEnabled(false);
  EXPECT_EQ(counter.maxDepth, 2);
  EXPECT_GE(counter.ticks, 3);
}

TEST(Timer, HandlerErrorsGoToTheDefaultReport) {
  std::vector<QString> reported;
  SetMessageBoxHook([&](TBoxKind kind, const QString& text) {
    EXPECT_EQ(kind, TBoxKind::Error);
    reported.push_back(text);
  });
  TTickCounter counter;
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.SetOnTimer(TNotifyEvent::Bind<&TTickCounter::Raise>(&counter));
  WaitMs(35);
  timer.SetEnabled(false);
  SetMessageBoxHook({});
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.front(), "tick failed");
}
