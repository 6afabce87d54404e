#include <gtest/gtest.h>

#include <thread>

#include "ProcessCounters.h"
#include "sound/SoundOutput.h"

namespace {

// A program that never sounds pays nothing for the player: no thread, no device.
TEST(SoundAtRest, NoThreadUntilSoundIsAskedFor) {
  // A sanitizer's runtime starts a helper thread of its own with the first thread made:
  // made here first, it is counted in `before`.
  std::thread([] {}).join();
  const int before = ProcessCounters::Threads();
  {
    TSoundOutput output(nullptr, [](const TSoundFormat&) -> std::unique_ptr<TSoundDevice> {
      throw TSoundError(TSoundErrorKind::NoDevice, "none");
    });
    output.Stop();
    EXPECT_EQ(ProcessCounters::Threads(), before);
    output.Play({1, 2, 3});
    EXPECT_EQ(ProcessCounters::Threads(), before + 1);
  }
  EXPECT_EQ(ProcessCounters::Threads(), before);
}

}  // namespace
