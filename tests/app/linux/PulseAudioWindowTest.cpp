// The window's sound on a real PulseAudio server with a null sink (run by
// tests/sound/linux/pulseaudio-test.sh), recorded from the sink's monitor: P plays the trace
// at the scale's pitch, and L follows a board whose voltage changes.
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <algorithm>

#include "Form1Fixture.h"
#include "Parecord.h"
#include "SoundAnalysis.h"
#include "app/Form1Window.h"
#include "app/TraceListening.h"

namespace {

constexpr std::size_t kRate = SoundScale::kSampleRate;
using Parecord::FirstHeard;
using Parecord::LastHeard;

TEST(PulseAudioWindow, PPlaysTheTraceShownAtTheScalesPitch) {
  TForm1Window window;
  window.show();
  window.Button3()->click();  // the test sine, 2.4 V
  Parecord::TRecording recording;
  QTest::keyClick(&window, Qt::Key_P);
  ASSERT_TRUE(window.Listening().Playing());
  for (int i = 0; i < 2000 && window.Listening().Playing(); ++i) WaitMs(5);
  EXPECT_EQ(window.Listening().Announcement(), "Sound ended");
  recording.WaitForSamples(recording.Samples() + kRate / 5);
  const auto recorded = recording.Stop();

  const std::size_t begin = FirstHeard(recorded), end = LastHeard(recorded);
  ASSERT_LT(begin, end);
  EXPECT_NEAR(double(end - begin), double(TraceSound::kLeadInSamples + 3 * kRate), kRate / 40.0);
  EXPECT_NEAR(SoundAnalysis::PitchHz(recorded, begin + kRate / 20, begin + kRate * 3 / 10),
              SoundScale::PitchHz(0.0), SoundScale::PitchHz(0.0) * 0.01);
  // Over the trace, in 30 ms windows: the pitch swings between the sine's ends.
  double lowest = 1e9, highest = 0;
  for (std::size_t at = end - 3 * kRate + kRate / 20; at + kRate / 33 < end; at += kRate / 100) {
    const double hz = SoundAnalysis::PitchHz(recorded, at, at + kRate / 33);
    if (hz > 0) {
      lowest = std::min(lowest, hz);
      highest = std::max(highest, hz);
    }
  }
  EXPECT_NEAR(highest, SoundScale::PitchHz(2.4), SoundScale::PitchHz(2.4) * 0.03);
  EXPECT_NEAR(lowest, SoundScale::PitchHz(-2.4), SoundScale::PitchHz(-2.4) * 0.03);
}

using PulseAudioLive = Form1Test;

TEST_F(PulseAudioLive, LFollowsABoardWhoseVoltageChanges) {
  QWidget shown;
  TTraceListening listening(*form, shown);
  Plug(FakeBoard());
  StartMeasuring();
  Parecord::TRecording recording;
  form->PopupMenu1->ItemForKey(QKeyCombination(Qt::Key_L).toCombined())->Click();
  ASSERT_TRUE(listening.Live());
  // A second at 1 V (raw 614), then a second at 4 V (raw 922), tick by tick.
  for (uint16_t raw : {614, 922})
    for (int tick = 0; tick < 10; ++tick) {
      Board()->SetAnswer({SampleBlock(std::vector<uint16_t>(32, raw))});
      form->Timer1Timer(nullptr);
    }
  // Both seconds heard (less what the server drops of a stream's first 20 ms), then off.
  Parecord::WaitUntilHeardFor(recording, 2.0 - 0.04);
  form->PopupMenu1->ItemForKey(QKeyCombination(Qt::Key_L).toCombined())->Click();
  EXPECT_FALSE(listening.Live());
  const auto recorded = recording.Stop();

  const std::size_t begin = FirstHeard(recorded), end = LastHeard(recorded);
  ASSERT_LT(begin + 2 * kRate - kRate / 20, end);
  const double first = SoundScale::PitchHz(BoardProtocol::VoltsFromRaw(614));
  const double second = SoundScale::PitchHz(BoardProtocol::VoltsFromRaw(922));
  EXPECT_NEAR(SoundAnalysis::PitchHz(recorded, begin + kRate / 5, begin + kRate * 8 / 10), first,
              first * 0.01);
  EXPECT_NEAR(SoundAnalysis::PitchHz(recorded, begin + kRate * 12 / 10, begin + kRate * 18 / 10),
              second, second * 0.01);
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
