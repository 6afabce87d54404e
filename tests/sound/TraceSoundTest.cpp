#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "SoundAnalysis.h"
#include "sound/TraceSound.h"

namespace {

using SoundAnalysis::PitchHz;
using TraceSound::kLeadInSamples;
constexpr int kRate = SoundScale::kSampleRate;

std::vector<std::int16_t> RenderValues(std::vector<double> volts, double seconds = 3.0) {
  TraceSound::TRequest request;
  request.volts = std::move(volts);
  request.seconds = seconds;
  return TraceSound::Render(request);
}

// The pitch of the trace part of a sound, its fades left out.
double TracePitch(const std::vector<std::int16_t>& sound) {
  return PitchHz(sound, kLeadInSamples + kRate / 20, sound.size() - kRate / 20);
}

// Where the sound of `count` values spread over `samples` is at position x among them.
double SampleAt(double x, std::size_t count, std::size_t samples) {
  return kLeadInSamples + (x + 0.5) * samples / count - 0.5;
}

TEST(TraceSoundScale, NotesOfTheScale) {
  EXPECT_NEAR(SoundScale::PitchHz(-5.0), 130.81, 0.01);
  EXPECT_NEAR(SoundScale::PitchHz(0.0), 369.99, 0.01);
  EXPECT_NEAR(SoundScale::PitchHz(5.0), 1046.48, 0.01);
  EXPECT_EQ(SoundScale::PitchHz(-40.0), SoundScale::PitchHz(-5.0));
  EXPECT_EQ(SoundScale::PitchHz(std::numeric_limits<double>::infinity()), SoundScale::PitchHz(5.0));
  EXPECT_EQ(SoundScale::PitchHz(std::nan("")), SoundScale::PitchHz(0.0));
}

TEST(TraceSoundPitch, ConstantVoltagesSoundAtTheirPitch) {
  for (double volts : {-5.0, -2.5, 0.0, 2.5, 5.0}) {
    SCOPED_TRACE(volts);
    const auto sound = RenderValues(std::vector<double>(200, volts));
    const double expected = 130.81 * std::exp2(3 * (volts + 5) / 10);
    EXPECT_NEAR(TracePitch(sound), expected, expected * 0.01);
    // The reference tone before it: 0 V.
    EXPECT_NEAR(PitchHz(sound, kRate / 20, TraceSound::kReferenceSamples - kRate / 20), 369.99,
                3.7);
  }
  // Beyond the range, held at its ends.
  EXPECT_NEAR(TracePitch(RenderValues({9.0, 12.0})), 1046.5, 10.5);
  EXPECT_NEAR(TracePitch(RenderValues({-7.0})), 130.81, 1.3);
}

TEST(TraceSoundPitch, RampRisesAlongTheScale) {
  std::vector<double> ramp;
  for (int i = 0; i < 200; ++i) ramp.push_back(-5.0 + 10.0 * i / 199);
  const auto sound = RenderValues(ramp);
  const std::size_t samples = TraceSound::TraceSamples(3.0);
  double previous = 0.0;
  // 100 ms windows, each against the pitch of the value the glide is at in its middle.
  for (std::size_t begin = kLeadInSamples + kRate / 20; begin + kRate / 10 < sound.size();
       begin += kRate / 10) {
    const std::size_t middle = begin + kRate / 20;
    const double x = (middle - kLeadInSamples + 0.5) * 200 / samples - 0.5;
    const double volts = -5.0 + 10.0 * x / 199;
    // Where it crosses 0 V the tick's own crossings would count: the window with the tick
    // is left out.
    if (std::abs(volts) < 0.2) continue;
    const double expected = SoundScale::PitchHz(volts);
    const double measured = PitchHz(sound, begin, begin + kRate / 10);
    SCOPED_TRACE(x);
    EXPECT_GT(measured, previous);
    EXPECT_NEAR(measured, expected, expected * 0.02);
    previous = measured;
  }
}

TEST(TraceSoundTimbre, BelowZeroTheSameFundamentalWithOddHarmonics) {
  const auto below = RenderValues({-2.5});
  const auto above = RenderValues({2.5});
  const std::size_t begin = kLeadInSamples + kRate / 10, end = begin + kRate;
  const double fBelow = SoundScale::PitchHz(-2.5), fAbove = SoundScale::PitchHz(2.5);
  const double fundamentalBelow = SoundAnalysis::Amplitude(below, begin, end, fBelow);
  EXPECT_GT(fundamentalBelow, 0.3);
  EXPECT_GT(SoundAnalysis::Amplitude(below, begin, end, 3 * fBelow), fundamentalBelow / 4);
  EXPECT_GT(SoundAnalysis::Amplitude(below, begin, end, 5 * fBelow), fundamentalBelow / 7);
  EXPECT_LT(SoundAnalysis::Amplitude(below, begin, end, 2 * fBelow), 0.01);
  // Above, a plain sine.
  const double fundamentalAbove = SoundAnalysis::Amplitude(above, begin, end, fAbove);
  EXPECT_GT(fundamentalAbove, 0.3);
  EXPECT_LT(SoundAnalysis::Amplitude(above, begin, end, 3 * fAbove), 0.01);
}

// The tone's own steps stay below this (the sine at 5 V, the harmonics at 0 V); a phase that
// jumped would step up to 30000.
constexpr int kLargestToneStep = 3500;

TEST(TraceSoundJoins, NoStepsWherePitchOrTimbreChanges) {
  // A square between 1 V and 4.5 V and a wildly changing trace, neither crossing 0 V.
  std::vector<double> square, jumps;
  for (int i = 0; i < 200; ++i) {
    square.push_back((i / 10) % 2 ? 4.5 : 1.0);
    jumps.push_back(0.1 + 4.9 * ((i * 37) % 11) / 10.0);
  }
  for (const auto& values : {square, jumps}) {
    for (double seconds : {1.0, 3.0}) {
      const auto sound = RenderValues(values, seconds);
      EXPECT_LE(SoundAnalysis::LargestStep(sound, 0, sound.size()), kLargestToneStep);
    }
  }
  // Below 0 V with its harmonics, and in and out of them where it crosses: the tick there is
  // the only larger step.
  std::vector<double> negativeJumps;
  for (double v : jumps) negativeJumps.push_back(-v);
  const auto rough = RenderValues(negativeJumps);
  EXPECT_LE(SoundAnalysis::LargestStep(rough, 0, rough.size()), kLargestToneStep);
}

TEST(TraceSoundJoins, LiveBlocksGlideOnWithoutBreaks) {
  TraceSound::TLive live;
  std::vector<std::int16_t> sound;
  std::vector<std::size_t> joins;
  // Blocks far apart in pitch, each sounding 100 ms, on either side of 0 V.
  for (double level : {0.5, 5.0, 0.2, 3.0, 1.0, 4.0, 0.5, -4.0, -0.5, -3.0, -1.0, -5.0}) {
    std::vector<double> block(32, level);
    block[5] = level / 2;
    joins.push_back(sound.size());
    const auto part = live.RenderBlock(block);
    ASSERT_EQ(part.size(), TraceSound::TLive::kBlockSamples);
    sound.insert(sound.end(), part.begin(), part.end());
  }
  for (std::size_t i = 1; i < joins.size(); ++i) {
    SCOPED_TRACE(i);
    if (i == 7) continue;  // from 0.5 V to -4 V: a tick
    EXPECT_LE(SoundAnalysis::LargestStep(sound, joins[i] - 5, joins[i] + 5), kLargestToneStep);
  }
  EXPECT_LE(SoundAnalysis::LargestStep(sound, 0, joins[7] - 10), kLargestToneStep);
  EXPECT_LE(SoundAnalysis::LargestStep(sound, joins[8], sound.size()), kLargestToneStep);
}

TEST(TraceSoundLive, EachBlockIsATenthOfASecondAtItsPitch) {
  TraceSound::TLive live;
  std::vector<std::int16_t> sound;
  for (int block = 0; block < 3; ++block) {
    const auto part = live.RenderBlock(std::vector<double>(32, 2.5));
    sound.insert(sound.end(), part.begin(), part.end());
  }
  EXPECT_EQ(sound.size(), 3 * TraceSound::TLive::kBlockSamples);
  EXPECT_NEAR(PitchHz(sound, 0, sound.size()), SoundScale::PitchHz(2.5),
              SoundScale::PitchHz(2.5) * 0.01);
  EXPECT_TRUE(live.RenderBlock({}).empty());
  // Blocks of another size still last 100 ms.
  EXPECT_EQ(live.RenderBlock(std::vector<double>(7, 1.0)).size(), TraceSound::TLive::kBlockSamples);
}

// Where a trace of `values` over `samples` crosses 0 V, in samples of the whole sound.
std::vector<double> Crossings(const std::vector<double>& values, std::size_t samples) {
  std::vector<double> crossings;
  for (std::size_t i = 0; i + 1 < values.size(); ++i)
    if ((values[i] < 0) != (values[i + 1] < 0))
      crossings.push_back(
          SampleAt(i + values[i] / (values[i] - values[i + 1]), values.size(), samples));
  return crossings;
}

TEST(TraceSoundTicks, AtTheZeroCrossingsOfASineAndOnlyThere) {
  // Three periods of a 3 V sine, no value exactly 0.
  std::vector<double> sine;
  for (int i = 0; i < 200; ++i)
    sine.push_back(3.0 * std::sin(2 * std::numbers::pi * 3 * (i + 0.25) / 200));
  for (double seconds : {1.0, 3.0, 10.0}) {
    SCOPED_TRACE(seconds);
    const auto sound = RenderValues(sine, seconds);
    const auto expected = Crossings(sine, TraceSound::TraceSamples(seconds));
    ASSERT_EQ(expected.size(), 5u);
    const auto ticks = SoundAnalysis::Bursts(sound, 0.02, kRate / 100);
    ASSERT_EQ(ticks.size(), expected.size());
    // A tick is loudest in its middle, 1.5 ms after the crossing.
    for (std::size_t i = 0; i < ticks.size(); ++i)
      EXPECT_NEAR(static_cast<double>(ticks[i]), expected[i] + TSoundVoice::kTickSamples / 2.0,
                  kRate / 1000.0);
  }
  // No ticks where nothing crosses: a square above 0 V, one below, and the reference tone
  // before a trace that starts below 0 V.
  std::vector<double> above, below;
  for (int i = 0; i < 200; ++i) {
    above.push_back((i / 20) % 2 ? 4.0 : 0.0);
    below.push_back((i / 20) % 2 ? -4.0 : -0.1);
  }
  EXPECT_TRUE(SoundAnalysis::Bursts(RenderValues(above), 0.02, kRate / 100).empty());
  EXPECT_TRUE(SoundAnalysis::Bursts(RenderValues(below), 0.02, kRate / 100).empty());
}

TEST(TraceSoundTicks, LiveSoundTicksWhereBlocksCross) {
  TraceSound::TLive live;
  std::vector<std::int16_t> sound;
  // 1 V, then a block that starts at -1 V and ends at 1 V: crossings at the join and in it.
  for (const auto& block : {std::vector<double>(32, 1.0), [] {
                              std::vector<double> b(32, -1.0);
                              for (int i = 16; i < 32; ++i) b[i] = 1.0;
                              return b;
                            }()}) {
    const auto part = live.RenderBlock(block);
    sound.insert(sound.end(), part.begin(), part.end());
  }
  const auto ticks = SoundAnalysis::Bursts(sound, 0.02, kRate / 100);
  ASSERT_EQ(ticks.size(), 2u);
  const double perValue = TraceSound::TLive::kBlockSamples / 32.0;
  EXPECT_NEAR(ticks[0], 4410 + 0.5 * perValue - 1 + TSoundVoice::kTickSamples / 2.0, 45);
  EXPECT_NEAR(ticks[1], 4410 + 16.5 * perValue - 1 + TSoundVoice::kTickSamples / 2.0, 45);
}

TEST(TraceSoundMarkers, CursorsSoundWhereTheTracePassesThem) {
  TraceSound::TRequest request;
  request.volts.assign(200, 1.0);
  request.cursorA = 50.0;
  request.cursorB = 150.5;
  const auto sound = TraceSound::Render(request);
  const std::size_t samples = TraceSound::TraceSamples(3.0);
  const std::size_t window = kRate / 50;
  // Where each marker's tone is loudest, in 20 ms windows: at its cursor, plus half its length.
  auto loudest = [&](double hz) {
    std::size_t best = 0;
    double bestAmplitude = 0;
    for (std::size_t begin = kLeadInSamples; begin + window < sound.size(); begin += window / 4) {
      const double amplitude = SoundAnalysis::Amplitude(sound, begin, begin + window, hz);
      if (amplitude > bestAmplitude) {
        bestAmplitude = amplitude;
        best = begin + window / 2;
      }
    }
    EXPECT_GT(bestAmplitude, 0.1);
    return static_cast<double>(best);
  };
  const double half = TSoundVoice::kMarkerSamples / 2.0;
  EXPECT_NEAR(loudest(TSoundVoice::kMarkerAHz), SampleAt(50.0, 200, samples) + half, window / 2.0);
  EXPECT_NEAR(loudest(TSoundVoice::kMarkerBHz), SampleAt(150.5, 200, samples) + half, window / 2.0);
  // Without cursors, or with cursors beyond the trace, no marker tone.
  request.cursorA = 250.0;
  request.cursorB.reset();
  const auto plain = TraceSound::Render(request);
  for (double hz : {TSoundVoice::kMarkerAHz, TSoundVoice::kMarkerBHz})
    EXPECT_LT(SoundAnalysis::Amplitude(plain, kLeadInSamples, plain.size(), hz), 0.001);
}

TEST(TraceSoundLength, OneToTenSecondsAfterTheLeadIn) {
  for (double seconds : {1.0, 2.5, 3.0, 10.0}) {
    EXPECT_EQ(RenderValues({1.0, 2.0}, seconds).size(),
              kLeadInSamples + static_cast<std::size_t>(std::lround(seconds * kRate)));
  }
  EXPECT_EQ(RenderValues({1.0}, 0.2).size(), kLeadInSamples + 1 * kRate);
  EXPECT_EQ(RenderValues({1.0}, 60).size(), kLeadInSamples + 10 * kRate);
  EXPECT_EQ(RenderValues({1.0}, std::nan("")).size(), kLeadInSamples + 3 * kRate);
  EXPECT_EQ(TraceSound::TRequest{}.seconds, 3.0);
  // No values, no sound.
  EXPECT_TRUE(RenderValues({}).empty());
  // Many more values than samples.
  EXPECT_EQ(RenderValues(std::vector<double>(100000, 1.0), 1.0).size(), kLeadInSamples + kRate);
}

TEST(TraceSoundLength, SameValuesSameSamplesAndSilentEnds) {
  std::vector<double> values{1.0, -3.0, std::nan(""), 7.0,
                             -std::numeric_limits<double>::infinity()};
  const auto sound = RenderValues(values);
  EXPECT_EQ(sound, RenderValues(values));
  // Fading in and out: each end of the tones starts and ends near silence.
  for (std::size_t at :
       {std::size_t{0}, TraceSound::kReferenceSamples - 1, kLeadInSamples, sound.size() - 1})
    EXPECT_LT(std::abs(sound[at]), 300) << at;
  // The pause between them is silent.
  for (std::size_t i = TraceSound::kReferenceSamples; i < kLeadInSamples; ++i)
    ASSERT_EQ(sound[i], 0) << i;
}

}  // namespace
