#pragma once

#include <span>

// The oscillator every sound of a trace is made with, one sample at a time: the pitch of the
// value (SoundScale), its phase carried on from sample to sample so that the tone glides
// without clicks however the value jumps; a plain sine at and above 0 V and, below, the same
// fundamental with odd harmonics (a rougher, square-like tone), faded in over the first
// quarter volt so that the change of timbre is no click either; a short soft tick where the
// value crosses 0 V; and, on request, the short tone of cursor A or B over it.
class TSoundVoice {
 public:
  enum class TMarker { A, B };

  // The next out.size() samples (between -1 and 1) of a value gliding in a straight line
  // from `volts` by `step` a sample; both ends within the scale's range.
  void Glide(double volts, double step, std::span<double> out);
  // Sounds the marker from the next sample on.
  void StartMarker(TMarker marker);

  // The parts of the sound, as fractions of full scale: the tone's and the tick's and
  // markers' peaks, which together stay below 1.
  static constexpr double kToneLevel = 0.45;
  static constexpr double kTickLevel = 0.15;
  static constexpr double kMarkerLevel = 0.2;
  // The tick: a burst far above every tone of the scale (whose highest harmonic is below
  // 2.6 kHz), 3 ms long.
  static constexpr double kTickHz = 6000.0;
  static constexpr int kTickSamples = 132;
  // Cursor A and B: a fifth and an octave above the scale's top, 80 ms each.
  static constexpr double kMarkerAHz = 1568.0;
  static constexpr double kMarkerBHz = 2093.0;
  static constexpr int kMarkerSamples = 3528;

 private:
  double phase_ = 0.0;  // in cycles, 0 <= phase_ < 1
  bool started_ = false;
  bool negative_ = false;
  int tickAge_ = -1;  // samples since the tick began; -1: none sounding
  int markerAge_ = -1;
  double markerHz_ = 0.0;
};
