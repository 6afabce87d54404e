#include "sound/SoundVoice.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sound/SoundScale.h"

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Below 0 V the odd harmonics come in over this much of the value, fully from here down.
constexpr double kRoughnessVolts = 0.25;

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

  const double angle = kTwoPi * phase_;
  const double roughness = std::clamp(-held / kRoughnessVolts, 0.0, 1.0);
  double tone = std::sin(angle);
  if (roughness > 0.0)
    tone +=
        roughness * (std::sin(3 * angle) / 3 + std::sin(5 * angle) / 5 + std::sin(7 * angle) / 7);
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

  phase_ += SoundScale::PitchHz(held) / SoundScale::kSampleRate;
  phase_ -= std::floor(phase_);
  return sample;
}

void TSoundVoice::StartMarker(TMarker marker) {
  markerAge_ = 0;
  markerHz_ = marker == TMarker::A ? kMarkerAHz : kMarkerBHz;
}
