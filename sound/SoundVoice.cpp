#include "sound/SoundVoice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <type_traits>
#include <vector>

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
std::vector<double> Burst(double hz, int length, double level, int sampleRate) {
  std::vector<double> burst(static_cast<std::size_t>(length));
  for (int age = 0; age < length; ++age)
    burst[age] = level * Window(age, length) * std::sin(kTwoPi * hz * age / sampleRate);
  return burst;
}

// One cycle of the plain tone and of what the rough one adds, worked out once for every voice:
// a few operations a sample instead of four sines. Read with a straight line between entries
// (off by less than 1e-6), or, in live sound, the nearest of twice as many entries (off by
// less than 8e-4, whatever it adds 62 dB below the tone): half the work for each sample.
template <int size>
struct TWaveTables {
  static constexpr int kSize = size;
  std::array<double, size + 1> sine;
  std::array<double, size + 1> oddHarmonics;  // 3rd, 5th and 7th at 1/n
  std::array<double, size + 1> rough;         // the two together: the tone past -0.25 V
  TWaveTables() {
    for (int i = 0; i <= size; ++i) {
      const double angle = kTwoPi * i / size;
      sine[i] = std::sin(angle);
      oddHarmonics[i] = std::sin(3 * angle) / 3 + std::sin(5 * angle) / 5 + std::sin(7 * angle) / 7;
      rough[i] = sine[i] + oddHarmonics[i];
    }
  }
};
using TInterpolatedTables = TWaveTables<2048>;
using TNearestTables = TWaveTables<4096>;
template <typename TTables>
const TTables& Tables() {
  static const TTables tables;
  return tables;
}

// 2^x for 0 <= x < 31 to 1e-5 (a fiftieth of a cent; x is at most 3 for a pitch, a few for a
// glide's step from sample to sample): a polynomial for
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

// The tick and the markers' tones at one rate.
struct TVoiceBursts {
  explicit TVoiceBursts(int sampleRate)
      : tick(Burst(TSoundVoice::TickHz(sampleRate), TSoundVoice::TickSamples(sampleRate),
                   TSoundVoice::kTickLevel, sampleRate)),
        markerA(Burst(TSoundVoice::kMarkerAHz, TSoundVoice::MarkerSamples(sampleRate),
                      TSoundVoice::kMarkerLevel, sampleRate)),
        markerB(Burst(TSoundVoice::kMarkerBHz, TSoundVoice::MarkerSamples(sampleRate),
                      TSoundVoice::kMarkerLevel, sampleRate)) {}
  std::vector<double> tick, markerA, markerB;
};

namespace {

// Made once for each of the two rates used; a voice at another rate (only ever asked for by a
// test) makes its own, kept for the program's life.
const TVoiceBursts* BurstsAt(int sampleRate) {
  if (sampleRate == SoundScale::kSampleRate) {
    static const TVoiceBursts full(SoundScale::kSampleRate);
    return &full;
  }
  if (sampleRate == SoundScale::kLiveSampleRate) {
    static const TVoiceBursts live(SoundScale::kLiveSampleRate);
    return &live;
  }
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<const TVoiceBursts>> others;
  std::lock_guard lock(mutex);
  auto& bursts = others[sampleRate];
  if (!bursts) bursts = std::make_unique<const TVoiceBursts>(sampleRate);
  return bursts.get();
}

}  // namespace

TSoundVoice::TSoundVoice(int sampleRate)
    : bursts_(BurstsAt(sampleRate)),
      lowestIncrement_(SoundScale::kLowestHz / sampleRate),
      nearest_(sampleRate < SoundScale::kSampleRate) {}

void TSoundVoice::Glide(double volts, double step, std::span<double> out) {
  GlideInto(volts, step, out);
}

void TSoundVoice::Glide(double volts, double step, std::span<std::int16_t> out) {
  GlideInto(volts, step, out);
}

namespace {

// What one stretch of samples of a glide needs, and what it carries on to the next.
struct TGlideState {
  double volts, step;  // the value at sample 0 and its change a sample
  double phase, increment, ratio;
  const double* tick;  // where the tick and the marker are, when sounding
  const double* marker;
};

// What a stretch of a glide sounds, when no burst sounds: the plain tone (at or above 0 V) or
// the rough one with its harmonics whole (past -0.25 V), each one table read a sample; or,
// where the harmonics fade in or a burst sounds, whatever there is, added as it comes.
enum class TStretch { Plain, Rough, Mixed };

// Samples [from, to) of a glide, from `TTables`.
template <typename TTables, TStretch kStretch, typename TSample>
void SoundStretch(TGlideState& state, bool negative, std::span<TSample> out, std::size_t from,
                  std::size_t to) {
  const TTables& tables = Tables<TTables>();
  constexpr bool kNearest = std::is_same_v<TTables, TNearestTables>;
  double phase = state.phase, increment = state.increment;
  const double ratio = state.ratio;
  const double* tick = state.tick;
  const double* marker = state.marker;
  for (std::size_t i = from; i < to; ++i) {
    const double place = phase * TTables::kSize;
    const int entry = static_cast<int>(kNearest ? place + 0.5 : place);
    const double between = place - entry;
    const auto& wave = kStretch == TStretch::Rough ? tables.rough : tables.sine;
    double tone = wave[entry];
    if constexpr (!kNearest) tone += between * (wave[entry + 1] - wave[entry]);
    if constexpr (kStretch == TStretch::Mixed) {
      if (negative) {
        const double value = state.volts + static_cast<double>(i) * state.step;
        const double roughness = std::min(value * -kRoughnessPerVolt, 1.0);
        double odd = tables.oddHarmonics[entry];
        if constexpr (!kNearest)
          odd += between * (tables.oddHarmonics[entry + 1] - tables.oddHarmonics[entry]);
        tone += roughness * odd;
      }
    }
    double mixed = TSoundVoice::kToneLevel * tone;
    if constexpr (kStretch == TStretch::Mixed) {
      if (tick) mixed += *tick++;
      if (marker) mixed += *marker++;
    }
    if constexpr (std::is_same_v<TSample, std::int16_t>)
      out[i] = PcmOf(mixed);
    else
      out[i] = mixed;
    phase += increment;
    if (phase >= 1.0) phase -= 1.0;
    increment *= ratio;
  }
  state.phase = phase;
  state.increment = increment;
}

}  // namespace

template <typename TSample>
void TSoundVoice::GlideInto(double volts, double step, std::span<TSample> out) {
  if (out.empty()) return;
  const std::vector<double>& tick = bursts_->tick;
  const std::vector<double>& marker = markerHz_ == kMarkerAHz ? bursts_->markerA : bursts_->markerB;
  // The pitch changes by the same ratio from each sample to the next along a straight glide:
  // one power of two for the glide, one multiplication a sample.
  constexpr double kOctavesPerVolt =
      SoundScale::kOctaves / (SoundScale::kHighestVolts - SoundScale::kLowestVolts);
  const double octaves = kOctavesPerVolt * step;
  TGlideState state{
      volts,
      step,
      phase_,
      lowestIncrement_ * OctavesUp(kOctavesPerVolt * (volts - SoundScale::kLowestVolts)),
      octaves >= 0 ? OctavesUp(octaves) : 1.0 / OctavesUp(-octaves),
      nullptr,
      nullptr};
  if (!started_) negative_ = volts < 0.0;
  started_ = true;
  const std::size_t count = out.size();
  auto value = [&](std::size_t i) { return volts + static_cast<double>(i) * step; };
  // Whether sample i's value lies on the other side of 0 V than `negative`: once it does, it
  // does for the rest of the glide, which is straight.
  auto crossed = [&](std::size_t i) { return (value(i) < 0.0) != negative_; };
  // The first sample of [from, to) where `change`, false before it and true after it on a
  // straight glide, holds; `to` if none.
  auto firstWhere = [](auto change, std::size_t from, std::size_t to) {
    if (from >= to || !change(to - 1)) return to;
    if (change(from)) return from;
    std::size_t low = from, high = to - 1;  // change(high) and not change(low)
    while (high - low > 1) {
      const std::size_t middle = low + (high - low) / 2;
      (change(middle) ? high : low) = middle;
    }
    return high;
  };
  constexpr double kWholeRoughness = -1.0 / kRoughnessPerVolt;
  auto deep = [&](std::size_t i) { return value(i) <= kWholeRoughness; };
  std::size_t done = 0;
  while (done < count) {
    if (crossed(done)) {
      negative_ = !negative_;
      tickAge_ = 0;
    }
    // The stretch goes on to where the value crosses 0 V, or a burst ends.
    std::size_t end = step != 0.0 ? firstWhere(crossed, done + 1, count) : count;
    state.tick = tickAge_ >= 0 ? tick.data() + tickAge_ : nullptr;
    state.marker = markerAge_ >= 0 ? marker.data() + markerAge_ : nullptr;
    if (state.tick) end = std::min(end, done + (tick.size() - static_cast<std::size_t>(tickAge_)));
    if (state.marker)
      end = std::min(end, done + (marker.size() - static_cast<std::size_t>(markerAge_)));
    TStretch stretch = TStretch::Mixed;
    if (!state.tick && !state.marker) {
      if (!negative_) {
        stretch = TStretch::Plain;
      } else if (deep(done)) {
        // Rough up to where the value rises back within the quarter volt.
        stretch = TStretch::Rough;
        if (step > 0.0) end = firstWhere([&](std::size_t i) { return !deep(i); }, done + 1, end);
      } else if (step < 0.0) {
        // Fading in up to where the harmonics are whole.
        end = firstWhere(deep, done + 1, end);
      }
    }
    auto sound = [&]<typename TTables>() {
      switch (stretch) {
        case TStretch::Plain:
          return SoundStretch<TTables, TStretch::Plain, TSample>(state, false, out, done, end);
        case TStretch::Rough:
          return SoundStretch<TTables, TStretch::Rough, TSample>(state, true, out, done, end);
        case TStretch::Mixed:
          return SoundStretch<TTables, TStretch::Mixed, TSample>(state, negative_, out, done, end);
      }
    };
    if (nearest_)
      sound.template operator()<TNearestTables>();
    else
      sound.template operator()<TInterpolatedTables>();
    if (stretch == TStretch::Mixed) {
      const auto ran = static_cast<int>(end - done);
      if (tickAge_ >= 0 && (tickAge_ += ran) == static_cast<int>(tick.size())) tickAge_ = -1;
      if (markerAge_ >= 0 && (markerAge_ += ran) == static_cast<int>(marker.size()))
        markerAge_ = -1;
    }
    done = end;
  }
  phase_ = state.phase;
}

void TSoundVoice::StartMarker(TMarker marker) {
  markerAge_ = 0;
  markerHz_ = marker == TMarker::A ? kMarkerAHz : kMarkerBHz;
}
