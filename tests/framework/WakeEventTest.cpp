#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "framework/WakeEvent.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a Sleep lasted, in milliseconds.
long long SleepMs(TWakeEvent& wake, int timeoutMs) {
  const auto start = Clock::now();
  wake.Sleep(timeoutMs);
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

// The reader's stop and the hand-over's nudge rest on these: a signal given before the
// waiter sleeps is not lost, many count as one, and a used-up signal ends no later wait.
TEST(WakeEvent, SignalsBeforeTheWaitCountAsOneAndAreUsedUp) {
  TWakeEvent wake;
  ASSERT_TRUE(wake.Valid());
  wake.Signal();
  wake.Signal();
  EXPECT_LT(SleepMs(wake, 10000), 5000);
  EXPECT_GE(SleepMs(wake, 40), 30);

  wake.Signal();
  wake.Clear();
  EXPECT_GE(SleepMs(wake, 40), 30);
  wake.Clear();  // nothing to use up: returns at once
}

TEST(WakeEvent, ASignalFromAnotherThreadEndsAnEndlessSleep) {
  TWakeEvent wake;
  std::thread signaller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    wake.Signal();
  });
  wake.Sleep(-1);
  signaller.join();
  EXPECT_TRUE(wake.Object().Valid());
}
