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
constexpr int kLiveRate = TraceSound::TLive::kSampleRate;

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

// Live sound of `blocks` handed over in turn, with where each block's sound begins.
struct TLiveSound {
  std::vector<std::int16_t> samples;
  std::vector<std::size_t> joins;
};
TLiveSound RenderLive(const std::vector<std::vector<double>>& blocks) {
  TraceSound::TLive live;
  TLiveSound sound;
  for (const auto& block : blocks) {
    sound.joins.push_back(sound.samples.size());
    const auto part = live.RenderBlock(block);
    sound.samples.insert(sound.samples.end(), part.begin(), part.end());
  }
  return sound;
}

// The largest step from one sample to the next of the steady tone of `volts` at the live rate:
// the sine's, and below 0 V its harmonics' too. A break in the phase steps up to twice the
// tone's peak, 29,500, well above it even at 5 V (8,700).
double LargestLiveToneStep(double volts) {
  const double peak = TSoundVoice::kToneLevel * 32767, hz = SoundScale::PitchHz(volts);
  auto step = [&](double partialHz) {
    return 2 * std::sin(std::min(std::numbers::pi * partialHz / kLiveRate, std::numbers::pi / 2));
  };
  double largest = peak * step(hz);
  if (volts < 0)
    for (int n : {3, 5, 7}) largest += peak / n * step(n * hz);
  return largest;
}

TEST(TraceSoundJoins, LiveBlocksGlideOnWithoutBreaks) {
  // Blocks far apart in pitch, each sounding 100 ms, on either side of 0 V.
  const std::vector<double> levels{0.5, 5.0, 0.2, 3.0, 1.0, 4.0, 0.5, -4.0, -0.5, -3.0, -1.0, -5.0};
  std::vector<std::vector<double>> blocks;
  for (double level : levels) {
    blocks.emplace_back(32, level);
    blocks.back()[5] = level / 2;
  }
  const TLiveSound sound = RenderLive(blocks);
  for (std::size_t i = 1; i < sound.joins.size(); ++i) {
    SCOPED_TRACE(i);
    if (i == 7) continue;  // from 0.5 V to -4 V: a tick
    const double allowed =
        1.05 * std::max(LargestLiveToneStep(levels[i - 1]), LargestLiveToneStep(levels[i]));
    EXPECT_LE(SoundAnalysis::LargestStep(sound.samples, sound.joins[i] - 5, sound.joins[i] + 5),
              allowed);
  }
}

TEST(TraceSoundLive, EachBlockIsATenthOfASecondAtItsPitch) {
  for (double volts : {-5.0, -2.5, 0.0, 2.5, 5.0}) {
    SCOPED_TRACE(volts);
    const TLiveSound sound =
        RenderLive(std::vector<std::vector<double>>(5, std::vector<double>(32, volts)));
    // 1102 and 1103 samples in turn: 100 ms on average, and exactly over two blocks.
    EXPECT_EQ(sound.joins, (std::vector<std::size_t>{0, 1102, 2205, 3307, 4410}));
    EXPECT_EQ(sound.samples.size(), 5512u);
    // The first block left out: it starts the voice.
    const double expected = 130.81 * std::exp2(3 * (volts + 5) / 10);
    EXPECT_NEAR(PitchHz(sound.samples, sound.joins[1], sound.samples.size(), kLiveRate), expected,
                expected * 0.01);
  }
  TraceSound::TLive live;
  EXPECT_TRUE(live.RenderBlock({}).empty());
  // Blocks of another size still last 100 ms.
  EXPECT_EQ(live.RenderBlock(std::vector<double>(7, 1.0)).size(), 1102u);
  EXPECT_EQ(live.RenderBlock(std::vector<double>(64, 1.0)).size(), 1103u);
}

TEST(TraceSoundLive, AboveZeroAPureSineBelowZeroNothingFoldsBack) {
  // Read from its tables more coarsely than a whole trace, the tone stays a sine at its level.
  const TLiveSound plain =
      RenderLive(std::vector<std::vector<double>>(10, std::vector<double>(32, 2.5)));
  const double fPlain = SoundScale::PitchHz(2.5);
  auto plainAmplitude = [&](double hz) {
    return SoundAnalysis::Amplitude(plain.samples, plain.joins[1], plain.samples.size(), hz,
                                    kLiveRate);
  };
  EXPECT_NEAR(plainAmplitude(fPlain), TSoundVoice::kToneLevel, 0.01);
  for (int n : {2, 3, 4, 5}) EXPECT_LT(plainAmplitude(n * fPlain), 0.001) << n;

  // At -0.1 V, the highest pitch with all harmonics, its 7th (2.5 kHz) is there and nothing
  // folds back: no partial at the even multiples or where 9th and 11th would fold to.
  const TLiveSound sound =
      RenderLive(std::vector<std::vector<double>>(10, std::vector<double>(32, -0.1)));
  const double f = SoundScale::PitchHz(-0.1);
  const std::size_t begin = sound.joins[1], end = sound.samples.size();
  auto amplitude = [&](double hz) {
    return SoundAnalysis::Amplitude(sound.samples, begin, end, hz, kLiveRate);
  };
  EXPECT_GT(amplitude(f), 0.3);
  EXPECT_NEAR(amplitude(7 * f), 0.45 * 0.4 / 7, 0.003);  // the harmonics at 0.4 of full
  for (double hz : {2 * f, 4 * f, kLiveRate - 9 * f, kLiveRate - 11 * f})
    EXPECT_LT(amplitude(hz), 0.005) << hz;
  // Past -0.25 V the harmonics are whole: each at 1/n of the fundamental.
  const TLiveSound deep =
      RenderLive(std::vector<std::vector<double>>(10, std::vector<double>(32, -2.5)));
  const double fDeep = SoundScale::PitchHz(-2.5);
  for (int n : {1, 3, 5, 7})
    EXPECT_NEAR(SoundAnalysis::Amplitude(deep.samples, deep.joins[1], deep.samples.size(),
                                         n * fDeep, kLiveRate),
                TSoundVoice::kToneLevel / n, 0.01)
        << n;
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

// Where live sound is at value `j` of block `b` (the block's sound ends on its last value).
double LiveSampleAt(double j, std::size_t b) {
  const double samples = static_cast<double>(TraceSound::TLive::SamplesOfBlocks(b + 1) -
                                             TraceSound::TLive::SamplesOfBlocks(b));
  return static_cast<double>(TraceSound::TLive::SamplesOfBlocks(b)) + (j + 1) * samples / 32 - 1;
}

TEST(TraceSoundTicks, LiveSoundTicksAtTheZeroCrossingsOnly) {
  // A 3 V sine of 64 values a period over 8 blocks: it crosses 0 V between the 16th and 17th
  // value of each block; then a block that starts below 0 V after one above.
  std::vector<std::vector<double>> blocks;
  std::vector<double> expected;
  for (std::size_t b = 0; b < 8; ++b) {
    std::vector<double> block;
    for (int j = 0; j < 32; ++j)
      block.push_back(3.0 * std::sin(2 * std::numbers::pi * (32.0 * b + j + 16.25) / 64));
    blocks.push_back(block);
    expected.push_back(LiveSampleAt(15 + block[15] / (block[15] - block[16]), b));
  }
  blocks.emplace_back(32, 1.0);
  blocks.emplace_back(32, -1.0);
  for (int j = 16; j < 32; ++j) blocks.back()[j] = 1.0;
  expected.push_back(LiveSampleAt(-0.5, 9));  // at the join
  expected.push_back(LiveSampleAt(15.5, 9));
  const TLiveSound sound = RenderLive(blocks);
  const auto ticks = SoundAnalysis::Bursts(sound.samples, 0.6, kLiveRate / 100);
  ASSERT_EQ(ticks.size(), expected.size());
  // A tick is loudest in its middle, 1.5 ms after the crossing.
  const double half = TSoundVoice::TickSamples(kLiveRate) / 2.0;
  for (std::size_t i = 0; i < ticks.size(); ++i)
    EXPECT_NEAR(static_cast<double>(ticks[i]), expected[i] + half, kLiveRate / 1000.0) << i;
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
