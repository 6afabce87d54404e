#include "sound/SoundVoice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "sound/SoundScale.h"

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Below 0 V the odd harmonics come in over the first quarter volt, fully from there down.
constexpr double kRoughnessPerVolt = 4.0;

// A raised-cosine window over `length` samples: a burst with no edge to click.
double Window(int age, int length) {
  return 0.5 - 0.5 * std::cos(kTwoPi * (age + 0.5) / length);
}

// A burst of `hz` over `length` samples at `level`, windowed.
template <std::size_t length>
std::array<double, length> Burst(double hz, double level) {
  std::array<double, length> burst;
  for (std::size_t age = 0; age < length; ++age)
    burst[age] = level * Window(static_cast<int>(age), static_cast<int>(length)) *
                 std::sin(kTwoPi * hz * static_cast<double>(age) / SoundScale::kSampleRate);
  return burst;
}

// What every voice sounds, worked out once: one cycle of the plain tone and of what the rough
// one adds (read with a straight line between entries, off by less than 1e-6), the tick and
// the markers' tones: a few operations a sample instead of four sines.
constexpr int kTableSize = 2048;
struct TWaveTables {
  std::array<double, kTableSize + 1> sine;
  std::array<double, kTableSize + 1> oddHarmonics;  // 3rd, 5th and 7th at 1/n
  std::array<double, TSoundVoice::kTickSamples> tick =
      Burst<TSoundVoice::kTickSamples>(TSoundVoice::kTickHz, TSoundVoice::kTickLevel);
  std::array<double, TSoundVoice::kMarkerSamples> markerA =
      Burst<TSoundVoice::kMarkerSamples>(TSoundVoice::kMarkerAHz, TSoundVoice::kMarkerLevel);
  std::array<double, TSoundVoice::kMarkerSamples> markerB =
      Burst<TSoundVoice::kMarkerSamples>(TSoundVoice::kMarkerBHz, TSoundVoice::kMarkerLevel);
  TWaveTables() {
    for (int i = 0; i <= kTableSize; ++i) {
      const double angle = kTwoPi * i / kTableSize;
      sine[i] = std::sin(angle);
      oddHarmonics[i] = std::sin(3 * angle) / 3 + std::sin(5 * angle) / 5 + std::sin(7 * angle) / 7;
    }
  }
};
const TWaveTables& Tables() {
  static const TWaveTables tables;
  return tables;
}

// 2^x for 0 <= x <= 3 (the scale's three octaves) to 1e-5 (a fiftieth of a cent): a polynomial for
// the fraction of an octave, cheaper than the library's exp2 and the same on every machine.
double OctavesUp(double x) {
  const int whole = static_cast<int>(x);
  const double f = x - whole;
  const double fraction =
      1.0 + f * (0.6931471805599453 +
                 f * (0.2402265069591007 +
                      f * (0.0555041086648216 +
                           f * (0.0096181291076285 +
                                f * (0.0013333558146428 + f * 0.0001540353039338)))));
  return fraction * (1 << whole);
}

}  // namespace

void TSoundVoice::Glide(double volts, double step, std::span<double> out) {
  if (out.empty()) return;
  const TWaveTables& tables = Tables();
  const double* marker = markerHz_ == kMarkerAHz ? tables.markerA.data() : tables.markerB.data();
  // The pitch changes by the same ratio from each sample to the next along a straight glide:
  // one power of two for the glide, one multiplication a sample.
  constexpr double kOctavesPerVolt =
      SoundScale::kOctaves / (SoundScale::kHighestVolts - SoundScale::kLowestVolts);
  double increment = SoundScale::kLowestHz / SoundScale::kSampleRate *
                     OctavesUp(kOctavesPerVolt * (volts - SoundScale::kLowestVolts));
  const double ratio = std::exp2(kOctavesPerVolt * step);
  if (!started_) negative_ = volts < 0.0;
  started_ = true;
  // Kept in locals while the loop runs: the samples written could alias the members.
  double value = volts;
  double phase = phase_;
  bool negative = negative_;
  int tickAge = tickAge_;
  int markerAge = markerAge_;
  for (double& sample : out) {
    if ((value < 0.0) != negative) {
      negative = !negative;
      tickAge = 0;
    }
    const double place = phase * kTableSize;
    const int entry = static_cast<int>(place);
    const double between = place - entry;
    double tone = tables.sine[entry] + between * (tables.sine[entry + 1] - tables.sine[entry]);
    if (negative) {
      const double roughness = std::min(value * -kRoughnessPerVolt, 1.0);
      tone += roughness * (tables.oddHarmonics[entry] +
                           between * (tables.oddHarmonics[entry + 1] - tables.oddHarmonics[entry]));
    }
    double mixed = kToneLevel * tone;
    if (tickAge >= 0) {
      mixed += tables.tick[tickAge];
      if (++tickAge == kTickSamples) tickAge = -1;
    }
    if (markerAge >= 0) {
      mixed += marker[markerAge];
      if (++markerAge == kMarkerSamples) markerAge = -1;
    }
    sample = mixed;

    phase += increment;
    if (phase >= 1.0) phase -= 1.0;
    increment *= ratio;
    value += step;
  }
  phase_ = phase;
  negative_ = negative;
  tickAge_ = tickAge;
  markerAge_ = markerAge;
}

void TSoundVoice::StartMarker(TMarker marker) {
  markerAge_ = 0;
  markerHz_ = marker == TMarker::A ? kMarkerAHz : kMarkerBHz;
}
