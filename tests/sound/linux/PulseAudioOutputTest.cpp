// The player on a real PulseAudio server (pulseaudio-test.sh starts one with a null sink
// "nul"): what it plays is recorded from the sink's monitor with parecord and measured.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Parecord.h"
#include "SoundAnalysis.h"
#include "sound/SoundOutput.h"
#include "sound/TraceSound.h"

using namespace std::chrono_literals;

namespace {

using Parecord::FirstHeard;
using Parecord::LastHeard;
using Parecord::TRecording;
constexpr std::size_t kRate = SoundScale::kSampleRate;

// The player's reports, waited for.
class TEvents {
 public:
  TSoundOutput::TListener Listener() {
    return [this](const TSoundOutput::TEvent& event) {
      std::lock_guard lock(mutex_);
      events_.push_back(event);
      changed_.notify_all();
    };
  }
  TSoundOutput::TEvent Next() {
    std::unique_lock lock(mutex_);
    EXPECT_TRUE(changed_.wait_for(lock, 20s, [&] { return !events_.empty(); }));
    if (events_.empty()) return {TSoundOutput::TEvent::TKind::Failed, 0, {}, "no event"};
    const auto event = events_.front();
    events_.erase(events_.begin());
    return event;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<TSoundOutput::TEvent> events_;
};

TEST(PulseAudioOutput, APlayedVoltageComesBackAtItsPitch) {
  for (double volts : {-2.5, 2.5}) {
    SCOPED_TRACE(volts);
    TEvents events;
    TSoundOutput output(events.Listener());
    TraceSound::TRequest request;
    request.volts.assign(200, volts);
    request.seconds = 1.0;
    const auto sound = TraceSound::Render(request);
    TRecording recording;
    const unsigned play = output.Play(sound);
    const auto event = events.Next();
    EXPECT_EQ(event.kind, TSoundOutput::TEvent::TKind::Finished) << event.message;
    EXPECT_EQ(event.play, play);
    recording.WaitForSamples(recording.Samples() + kRate / 5);
    const auto recorded = recording.Stop();

    const std::size_t begin = FirstHeard(recorded), end = LastHeard(recorded);
    ASSERT_LT(begin, end);
    // All of it, no more and no less: from the reference tone to the trace's end (less what
    // the server may drop of the first 20 ms).
    EXPECT_NEAR(static_cast<double>(end - begin), static_cast<double>(sound.size()), kRate / 40.0);
    EXPECT_NEAR(SoundAnalysis::PitchHz(recorded, begin + kRate / 20, begin + kRate * 3 / 10),
                SoundScale::PitchHz(0.0), SoundScale::PitchHz(0.0) * 0.01);
    const double measured =
        SoundAnalysis::PitchHz(recorded, end - kRate * 8 / 10, end - kRate / 10);
    EXPECT_NEAR(measured, SoundScale::PitchHz(volts), SoundScale::PitchHz(volts) * 0.01);
    std::printf("played %.1f V: heard %.2f Hz (scale %.2f Hz)\n", volts, measured,
                SoundScale::PitchHz(volts));
  }
}

TEST(PulseAudioOutput, ALiveStreamFollowsItsBlocksWithoutGaps) {
  TEvents events;
  TSoundOutput output(events.Listener());
  TraceSound::TLive live;
  TRecording recording;
  // One second at 1 V, then one at 4 V, handed over block by block as the board's come.
  for (double volts : {1.0, 4.0})
    for (int block = 0; block < 10; ++block)
      output.Stream(live.RenderBlock(std::vector<double>(32, volts)));
  Parecord::WaitUntilHeardFor(recording, 2.0 - 0.05);
  recording.WaitForSamples(recording.Samples() + kRate / 10);
  output.Stop();
  const auto recorded = recording.Stop();

  const std::size_t begin = FirstHeard(recorded);
  ASSERT_LT(begin + 2 * kRate, recorded.size());
  EXPECT_NEAR(SoundAnalysis::PitchHz(recorded, begin + kRate / 5, begin + kRate * 8 / 10),
              SoundScale::PitchHz(1.0), SoundScale::PitchHz(1.0) * 0.01);
  EXPECT_NEAR(SoundAnalysis::PitchHz(recorded, begin + kRate * 12 / 10, begin + kRate * 18 / 10),
              SoundScale::PitchHz(4.0), SoundScale::PitchHz(4.0) * 0.01);
  // No silence of 5 ms or more from its start to its end, and two seconds of it (less what
  // the server drops of a stream's first 20 ms while its sink is already under way).
  const std::size_t end = LastHeard(recorded);
  std::size_t quiet = 0;
  for (std::size_t i = begin; i < end; ++i) {
    quiet = std::abs(recorded[i]) < 100 ? quiet + 1 : 0;
    ASSERT_LT(quiet, kRate / 200) << "a gap at " << (i - begin) << " samples";
  }
  EXPECT_NEAR(static_cast<double>(end - begin), 2.0 * kRate, kRate / 40.0);
}

TEST(PulseAudioOutput, StopIsHeardAtOnce) {
  TEvents events;
  TSoundOutput output(events.Listener());
  TraceSound::TRequest request;
  request.volts.assign(200, 3.0);
  request.seconds = 5.0;
  TRecording recording;
  const std::size_t start = recording.Samples();
  output.Play(TraceSound::Render(request));
  // Well into the trace, then stop.
  recording.WaitForSamples(start + kRate * 15 / 10);
  output.Stop();
  const std::size_t stoppedAt = recording.Samples();
  recording.WaitForSamples(stoppedAt + kRate / 2);
  const auto recorded = recording.Stop();
  // Silent within 150 ms of the stop (the device's 100 ms buffer, the recording's 20 ms).
  EXPECT_LT(LastHeard(recorded), stoppedAt + kRate * 15 / 100);
  EXPECT_GT(LastHeard(recorded) + kRate / 10, stoppedAt);
}

TEST(PulseAudioOutput, NoServerIsOneClearError) {
  const std::string server = std::getenv("PULSE_SERVER") ? std::getenv("PULSE_SERVER") : "";
  setenv("PULSE_SERVER", "unix:/nonexistent/simplescope/native", 1);
  try {
    OpenSystemSoundDevice({SoundScale::kSampleRate, 882});
    ADD_FAILURE() << "opened without a server";
  } catch (const TSoundError& error) {
    EXPECT_EQ(error.Kind(), TSoundErrorKind::NoDevice);
    EXPECT_NE(std::string(error.what()).find("No sound device could be opened"), std::string::npos)
        << error.what();
  }
  TEvents events;
  {
    TSoundOutput output(events.Listener());
    const unsigned play = output.Play(std::vector<std::int16_t>(4410, 0));
    const auto event = events.Next();
    EXPECT_EQ(event.kind, TSoundOutput::TEvent::TKind::Failed);
    EXPECT_EQ(event.errorKind, TSoundErrorKind::NoDevice);
    EXPECT_EQ(event.play, play);
  }
  setenv("PULSE_SERVER", server.c_str(), 1);
}

}  // namespace
