#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "sound/SoundScale.h"

struct TVoiceBursts;

// The oscillator every sound of a trace is made with, one sample at a time: the pitch of the
// value (SoundScale), its phase carried on from sample to sample so that the tone glides
// without clicks however the value jumps; a plain sine at and above 0 V and, below, the same
// fundamental with odd harmonics (a rougher, square-like tone), faded in over the first
// quarter volt so that the change of timbre is no click either; a short soft tick where the
// value crosses 0 V; and, on request, the short tone of cursor A or B over it.
class TSoundVoice {
 public:
  enum class TMarker { A, B };

  // A voice at `sampleRate` samples a second (SoundScale's two rates, or any from 8 kHz up);
  // below 44.1 kHz, live sound, it reads its waves more coarsely, at half the work.
  explicit TSoundVoice(int sampleRate = SoundScale::kSampleRate);

  // The next out.size() samples (between -1 and 1) of a value gliding in a straight line
  // from `volts` by `step` a sample; both ends within the scale's range.
  void Glide(double volts, double step, std::span<double> out);
  // The same straight into 16-bit PCM (PcmOf each sample): live sound, which needs no fades.
  void Glide(double volts, double step, std::span<std::int16_t> out);
  // Sounds the marker from the next sample on.
  void StartMarker(TMarker marker);

  // The parts of the sound, as fractions of full scale: the tone's and the tick's and
  // markers' peaks, which together stay below 1.
  static constexpr double kToneLevel = 0.45;
  static constexpr double kTickLevel = 0.15;
  static constexpr double kMarkerLevel = 0.2;
  // The tick: a burst far above every tone of the scale (whose highest harmonic is below
  // 2.6 kHz), 3 ms long: 6 kHz, or 4 kHz where the rate can't carry 6 (below 16 kHz).
  static constexpr double TickHz(int sampleRate) { return sampleRate >= 16000 ? 6000.0 : 4000.0; }
  static constexpr int TickSamples(int sampleRate) { return sampleRate * 3 / 1000; }
  // Cursor A and B: a fifth and an octave above the scale's top, 80 ms each.
  static constexpr double kMarkerAHz = 1568.0;
  static constexpr double kMarkerBHz = 2093.0;
  static constexpr int MarkerSamples(int sampleRate) { return sampleRate * 80 / 1000; }
  // At 44.1 kHz.
  static constexpr double kTickHz = 6000.0;
  static constexpr int kTickSamples = 132;
  static constexpr int kMarkerSamples = 3528;

 private:
  template <typename TSample>
  void GlideInto(double volts, double step, std::span<TSample> out);

  const TVoiceBursts* bursts_;
  double lowestIncrement_;  // the phase a sample at the scale's lowest pitch
  bool nearest_;            // live sound: the nearest entry of the tables, not a line between two
  double phase_ = 0.0;      // in cycles, 0 <= phase_ < 1
  bool started_ = false;
  bool negative_ = false;
  int tickAge_ = -1;  // samples since the tick began; -1: none sounding
  int markerAge_ = -1;
  double markerHz_ = 0.0;
};

// A sample between -1 and 1 as 16 bits, rounded half away from zero, held to the range;
// without a call into the library, as it runs for every sample.
inline std::int16_t PcmOf(double sample) {
  const double scaled = std::clamp(sample, -1.0, 1.0) * 32767.0;
  return static_cast<std::int16_t>(scaled >= 0 ? scaled + 0.5 : scaled - 0.5);
}

static_assert(TSoundVoice::kTickHz == TSoundVoice::TickHz(SoundScale::kSampleRate) &&
              TSoundVoice::kTickSamples == TSoundVoice::TickSamples(SoundScale::kSampleRate) &&
              TSoundVoice::kMarkerSamples == TSoundVoice::MarkerSamples(SoundScale::kSampleRate));
