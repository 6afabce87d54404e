#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <optional>
#include <vector>

#include "sound/SoundOutput.h"

using namespace std::chrono_literals;

namespace {

// What the player did to the devices it opened, and what it reported: one record shared
// with the fake devices, waited on with a condition, never with a sleep.
struct TSoundLog {
  std::mutex mutex;
  std::condition_variable changed;
  int opens = 0;
  int closes = 0;
  std::vector<int> rates;                         // each open's samples a second
  std::vector<std::vector<std::int16_t>> writes;  // one entry per Write, per device in turn
  std::vector<int> writesPerDevice;
  std::vector<TSoundOutput::TEvent> events;
  // What the next opens do: throw this, and then succeed.
  std::vector<TSoundError> failingOpens;
  std::optional<TSoundError> failingWrite;
  // Writes block while this is set (a device whose buffer is full).
  bool blockWrites = false;
  bool writeBlocked = false;
  // What a device says is still to be heard (the end of a sound waits for it to fall).
  std::chrono::microseconds stillToHear{0};

  template <typename Condition>
  bool WaitUntil(Condition condition) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 10s, [&] { return condition(); });
  }
  std::vector<std::int16_t> Written() {
    std::lock_guard lock(mutex);
    return WrittenLocked();
  }
  std::vector<std::int16_t> WrittenLocked() const {
    std::vector<std::int16_t> all;
    for (const auto& write : writes) all.insert(all.end(), write.begin(), write.end());
    return all;
  }
};

class TFakeDevice : public TSoundDevice {
 public:
  explicit TFakeDevice(TSoundLog& log) : log_(log) {}
  ~TFakeDevice() override {
    std::lock_guard lock(log_.mutex);
    ++log_.closes;
    log_.changed.notify_all();
  }
  void Write(std::span<const std::int16_t> samples) override {
    std::unique_lock lock(log_.mutex);
    EXPECT_EQ(log_.closes, log_.opens - 1) << "a write to a closed device";
    log_.writeBlocked = log_.blockWrites;
    log_.changed.notify_all();
    log_.changed.wait(lock, [&] { return !log_.blockWrites; });
    log_.writeBlocked = false;
    if (log_.failingWrite) throw *log_.failingWrite;
    log_.writes.emplace_back(samples.begin(), samples.end());
    ++log_.writesPerDevice.back();
    log_.changed.notify_all();
  }
  std::chrono::microseconds StillToHear() override {
    std::lock_guard lock(log_.mutex);
    return log_.stillToHear;
  }

 private:
  TSoundLog& log_;
};

class SoundOutputTest : public ::testing::Test {
 protected:
  std::unique_ptr<TSoundDevice> Open(int sampleRate) {
    std::lock_guard lock(log_.mutex);
    ++log_.opens;
    log_.rates.push_back(sampleRate);
    log_.changed.notify_all();
    if (!log_.failingOpens.empty()) {
      const TSoundError error = log_.failingOpens.front();
      log_.failingOpens.erase(log_.failingOpens.begin());
      ++log_.closes;  // nothing stays open
      throw error;
    }
    log_.writesPerDevice.push_back(0);
    return std::make_unique<TFakeDevice>(log_);
  }
  void Listen(const TSoundOutput::TEvent& event) {
    std::lock_guard lock(log_.mutex);
    log_.events.push_back(event);
    log_.changed.notify_all();
  }
  void SetBlocked(bool blocked) {
    std::lock_guard lock(log_.mutex);
    log_.blockWrites = blocked;
    log_.changed.notify_all();
  }
  bool AllClosed() {
    return log_.WaitUntil([&] { return log_.opens > 0 && log_.closes == log_.opens; });
  }

  TSoundLog log_;
  std::optional<TSoundOutput> output_{
      std::in_place, [this](const TSoundOutput::TEvent& e) { Listen(e); },
      [this](const TSoundFormat& format) { return Open(format.sampleRate); }};
};

std::vector<std::int16_t> Counting(std::size_t count, int from = 0) {
  std::vector<std::int16_t> samples(count);
  std::iota(samples.begin(), samples.end(), static_cast<std::int16_t>(from));
  return samples;
}

TEST_F(SoundOutputTest, AnOutputWhoseOwnLatencyNeverFallsStillEndsWhenItsTimeHasPassed) {
  // A desktop's output says tens of milliseconds even once all is played: its own latency.
  {
    std::lock_guard lock(log_.mutex);
    log_.stillToHear = 40ms;
  }
  const auto before = std::chrono::steady_clock::now();
  const unsigned play = output_->Play(Counting(3000));
  ASSERT_TRUE(log_.WaitUntil([&] { return !log_.events.empty(); }));
  EXPECT_GE(std::chrono::steady_clock::now() - before, 40ms);
  std::lock_guard lock(log_.mutex);
  ASSERT_EQ(log_.events.size(), 1u);
  EXPECT_EQ(log_.events[0].kind, TSoundOutput::TEvent::TKind::Finished);
  EXPECT_EQ(log_.events[0].play, play);
}

TEST_F(SoundOutputTest, PlaysAWholeSoundInSmallPiecesAndReportsItsEnd) {
  const auto sound = Counting(10000);
  {
    std::lock_guard lock(log_.mutex);
    log_.stillToHear = 1h;  // not heard until the device says so
  }
  const unsigned play = output_->Play(sound);
  ASSERT_TRUE(log_.WaitUntil([&] { return log_.writes.size() == 12; }));
  {
    std::lock_guard lock(log_.mutex);
    EXPECT_TRUE(log_.events.empty()) << "reported before the device had played it";
    log_.stillToHear = 0us;
  }
  ASSERT_TRUE(log_.WaitUntil([&] { return !log_.events.empty(); }));
  EXPECT_TRUE(AllClosed());
  EXPECT_EQ(log_.Written(), sound);
  std::lock_guard lock(log_.mutex);
  for (const auto& write : log_.writes) EXPECT_LE(write.size(), 882u);  // 20 ms
  ASSERT_EQ(log_.events.size(), 1u);
  EXPECT_EQ(log_.events[0].kind, TSoundOutput::TEvent::TKind::Finished);
  EXPECT_EQ(log_.events[0].play, play);
  EXPECT_EQ(log_.opens, 1);
  EXPECT_EQ(log_.rates, std::vector<int>{44100});
}

TEST_F(SoundOutputTest, StopSilencesAtOnceWithNoEvent) {
  SetBlocked(true);
  output_->Play(Counting(44100));
  ASSERT_TRUE(log_.WaitUntil([&] { return log_.writeBlocked; }));
  output_->Stop();
  // The write under way ends (a real device takes it within 20 ms); nothing follows it.
  SetBlocked(false);
  ASSERT_TRUE(AllClosed());
  output_.reset();
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.writes.size(), 1u);
  EXPECT_TRUE(log_.events.empty());
}

TEST_F(SoundOutputTest, ANewSoundReplacesTheOneSounding) {
  SetBlocked(true);
  const unsigned first = output_->Play(Counting(44100));
  ASSERT_TRUE(log_.WaitUntil([&] { return log_.writeBlocked; }));
  const auto second = Counting(2000, 7);
  const unsigned play = output_->Play(second);
  EXPECT_NE(play, first);
  SetBlocked(false);
  ASSERT_TRUE(log_.WaitUntil([&] { return !log_.events.empty(); }));
  EXPECT_TRUE(AllClosed());
  std::lock_guard lock(log_.mutex);
  // The first device took its one piece and was closed; the second played all of its own.
  ASSERT_EQ(log_.opens, 2);
  EXPECT_EQ(log_.writesPerDevice[0], 1);
  std::vector<std::int16_t> secondWritten;
  for (std::size_t i = 1; i < log_.writes.size(); ++i)
    secondWritten.insert(secondWritten.end(), log_.writes[i].begin(), log_.writes[i].end());
  EXPECT_EQ(secondWritten, second);
  ASSERT_EQ(log_.events.size(), 1u);
  EXPECT_EQ(log_.events[0].play, play);
}

TEST_F(SoundOutputTest, AStreamGoesOnUntilStoppedOnOneDevice) {
  const unsigned play = output_->Stream(Counting(4410));
  EXPECT_EQ(output_->Stream(Counting(4410, 4410)), play);
  ASSERT_TRUE(log_.WaitUntil([&] { return log_.WrittenLocked().size() == 8820; }));
  EXPECT_EQ(log_.Written(), Counting(8820));
  // Run dry, it waits for more with the device open, and reports nothing.
  output_->Stream(Counting(100, 8820));
  ASSERT_TRUE(log_.WaitUntil([&] { return log_.WrittenLocked().size() == 8920; }));
  {
    std::lock_guard lock(log_.mutex);
    EXPECT_EQ(log_.opens, 1);
    EXPECT_EQ(log_.closes, 0);
    EXPECT_TRUE(log_.events.empty());
  }
  output_->Stop();
  EXPECT_TRUE(AllClosed());
  // A stream after a stop is a new one.
  EXPECT_NE(output_->Stream(Counting(10)), play);
  EXPECT_TRUE(log_.WaitUntil([&] { return log_.opens == 2; }));
  // Streams play at the live rate, a live block (at most 1103 samples) at a time.
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.rates, (std::vector<int>{11025, 11025}));
  EXPECT_EQ(log_.writes[0].size(), 1103u);
  for (const auto& write : log_.writes) EXPECT_LE(write.size(), 1103u);
}

TEST_F(SoundOutputTest, NoDeviceIsReportedOnceAndTheNextSoundTriesAgain) {
  {
    std::lock_guard lock(log_.mutex);
    log_.failingOpens.push_back(TSoundError(TSoundErrorKind::NoDevice, "No sound device."));
    log_.failingOpens.push_back(TSoundError(TSoundErrorKind::Busy, "Busy."));
  }
  const unsigned first = output_->Play(Counting(100));
  ASSERT_TRUE(log_.WaitUntil([&] { return log_.events.size() == 1; }));
  const unsigned second = output_->Stream(Counting(100));
  ASSERT_TRUE(log_.WaitUntil([&] { return log_.events.size() == 2; }));
  const unsigned third = output_->Play(Counting(100));
  ASSERT_TRUE(log_.WaitUntil([&] { return log_.events.size() == 3; }));
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.events[0].play, first);
  EXPECT_EQ(log_.events[0].kind, TSoundOutput::TEvent::TKind::Failed);
  EXPECT_EQ(log_.events[0].errorKind, TSoundErrorKind::NoDevice);
  EXPECT_EQ(log_.events[0].message, "No sound device.");
  EXPECT_EQ(log_.events[1].play, second);
  EXPECT_EQ(log_.events[1].errorKind, TSoundErrorKind::Busy);
  EXPECT_EQ(log_.events[2].play, third);
  EXPECT_EQ(log_.events[2].kind, TSoundOutput::TEvent::TKind::Finished);
  EXPECT_EQ(log_.opens, 3);
  EXPECT_EQ(log_.writes.size(), 1u);
}

TEST_F(SoundOutputTest, ADeviceThatFailsMidwayIsClosedAndReported) {
  {
    std::lock_guard lock(log_.mutex);
    log_.failingWrite = TSoundError(TSoundErrorKind::Failed, "Connection terminated.");
  }
  const unsigned play = output_->Play(Counting(5000));
  ASSERT_TRUE(log_.WaitUntil([&] { return !log_.events.empty(); }));
  EXPECT_TRUE(AllClosed());
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.events[0].play, play);
  EXPECT_EQ(log_.events[0].kind, TSoundOutput::TEvent::TKind::Failed);
  EXPECT_EQ(log_.events[0].message, "Connection terminated.");
}

TEST_F(SoundOutputTest, NothingOpensUntilAskedAndEndingWhileStreamingCloses) {
  output_->Stop();
  {
    std::lock_guard lock(log_.mutex);
    EXPECT_EQ(log_.opens, 0);
  }
  output_->Stream(Counting(4410));
  ASSERT_TRUE(log_.WaitUntil([&] { return log_.writes.size() == 4; }));
  output_.reset();
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.closes, 1);
  EXPECT_TRUE(log_.events.empty());
}

}  // namespace

namespace {

TEST_F(SoundOutputTest, ValuesBecomeSoundOnThePlayersThread) {
  TraceSound::TRequest trace;
  trace.volts = {1.0, -2.0, 3.0};
  trace.seconds = 1.0;
  const unsigned play = output_->PlayTrace(trace);
  ASSERT_TRUE(log_.WaitUntil([&] { return !log_.events.empty(); }));
  EXPECT_EQ(log_.Written(), TraceSound::Render(trace));
  EXPECT_EQ(log_.events[0].play, play);

  // A live stream: its blocks glide on from one to the next, however they were handed over.
  TraceSound::TLive live;
  std::vector<std::int16_t> expected;
  for (double volts : {1.0, 2.0, -1.0}) {
    const std::vector<double> block(32, volts);
    const auto part = live.RenderBlock(block);
    expected.insert(expected.end(), part.begin(), part.end());
    output_->StreamValues(block);
  }
  const std::size_t before = TraceSound::Render(trace).size();
  ASSERT_TRUE(
      log_.WaitUntil([&] { return log_.WrittenLocked().size() == before + expected.size(); }));
  const auto written = log_.Written();
  EXPECT_EQ(std::vector<std::int16_t>(written.begin() + before, written.end()), expected);
  // A new stream begins afresh.
  output_->Stop();
  output_->StreamValues(std::vector<double>(32, 1.0));
  const auto fresh = TraceSound::TLive().RenderBlock(std::vector<double>(32, 1.0));
  ASSERT_TRUE(log_.WaitUntil(
      [&] { return log_.WrittenLocked().size() == before + expected.size() + fresh.size(); }));
  const auto all = log_.Written();
  EXPECT_EQ(std::vector<std::int16_t>(all.end() - fresh.size(), all.end()), fresh);
}

}  // namespace
