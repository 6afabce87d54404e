#include "sound/SoundVoice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "sound/SoundScale.h"

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Below 0 V the odd harmonics come in over this much of the value, fully from here down.
constexpr double kRoughnessVolts = 0.25;

// One cycle of the plain tone and of what the rough one adds, read with a straight line
// between entries (off by less than 1e-6): a few operations a sample instead of four sines.
constexpr int kTableSize = 2048;
struct TWaveTables {
  std::array<double, kTableSize + 1> sine;
  std::array<double, kTableSize + 1> oddHarmonics;  // 3rd, 5th and 7th at 1/n
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

// A raised-cosine window over `length` samples: a burst with no edge to click.
double Window(int age, int length) {
  return 0.5 - 0.5 * std::cos(kTwoPi * (age + 0.5) / length);
}

}  // namespace

double TSoundVoice::Next(double volts) {
  const double held = SoundScale::HeldVolts(volts);
  const bool negative = held < 0.0;
  if (started_ && negative != negative_) tickAge_ = 0;
  started_ = true;
  negative_ = negative;

  const TWaveTables& tables = Tables();
  const double place = phase_ * kTableSize;
  const int entry = static_cast<int>(place);
  const double between = place - entry;
  double tone = tables.sine[entry] + between * (tables.sine[entry + 1] - tables.sine[entry]);
  if (negative) {
    const double roughness = std::min(-held / kRoughnessVolts, 1.0);
    tone += roughness * (tables.oddHarmonics[entry] +
                         between * (tables.oddHarmonics[entry + 1] - tables.oddHarmonics[entry]));
  }
  double sample = kToneLevel * tone;

  if (tickAge_ >= 0) {
    sample += kTickLevel * Window(tickAge_, kTickSamples) *
              std::sin(kTwoPi * kTickHz * tickAge_ / SoundScale::kSampleRate);
    if (++tickAge_ == kTickSamples) tickAge_ = -1;
  }
  if (markerAge_ >= 0) {
    sample += kMarkerLevel * Window(markerAge_, kMarkerSamples) *
              std::sin(kTwoPi * markerHz_ * markerAge_ / SoundScale::kSampleRate);
    if (++markerAge_ == kMarkerSamples) markerAge_ = -1;
  }

  const double pitchHz =
      SoundScale::kLowestHz * OctavesUp(SoundScale::kOctaves * (held - SoundScale::kLowestVolts) /
                                        (SoundScale::kHighestVolts - SoundScale::kLowestVolts));
  phase_ += pitchHz / SoundScale::kSampleRate;
  if (phase_ >= 1.0) phase_ -= 1.0;
  return sample;
}

void TSoundVoice::StartMarker(TMarker marker) {
  markerAge_ = 0;
  markerHz_ = marker == TMarker::A ? kMarkerAHz : kMarkerBHz;
}
