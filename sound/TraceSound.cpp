#include "sound/TraceSound.h"

#include <algorithm>
#include <cmath>

namespace TraceSound {

namespace {

// Samples [begin, end) of `out` of a value gliding through `points`, sample i at position
// origin + i * perSample among them (0 the first point), in a straight line between
// neighbours and held beyond the ends: one straight glide of the voice per stretch between
// two points.
template <typename TSample>
void GlideThrough(TSoundVoice& voice, std::span<const double> points, double origin,
                  double perSample, std::size_t begin, std::size_t end, std::span<TSample> out) {
  const double last = static_cast<double>(points.size() - 1);
  // The first sample from `i` on whose position reaches `x` (perSample > 0).
  auto firstAt = [&](double x, std::size_t i) {
    const double at = std::ceil((x - origin) / perSample);
    std::size_t first = at <= static_cast<double>(i) ? i : static_cast<std::size_t>(at);
    while (first > i && origin + (first - 1) * perSample >= x) --first;
    while (first < end && origin + first * perSample < x) ++first;
    return std::min(first, end);
  };
  std::size_t i = begin;
  while (i < end) {
    const double x = origin + i * perSample;
    std::size_t stop;
    double volts, step = 0.0;
    if (x <= 0.0 || last == 0.0) {
      stop = last == 0.0 ? end : std::max(firstAt(std::nextafter(0.0, 1.0), i), i + 1);
      volts = points.front();
    } else if (x >= last) {
      stop = end;
      volts = points.back();
    } else {
      const auto below = static_cast<std::size_t>(x);
      const double rise = points[below + 1] - points[below];
      stop = std::max(firstAt(static_cast<double>(below + 1), i), i + 1);
      volts = points[below] + (x - below) * rise;
      step = rise * perSample;
    }
    voice.Glide(volts, step, out.subspan(i, stop - i));
    i = stop;
  }
}

// The gain of sample `index` of `count` that fade in and out over kFadeSamples.
double FadeGain(std::size_t index, std::size_t count) {
  const std::size_t fromEnd = count - 1 - index;
  const std::size_t nearest = std::min(index, fromEnd);
  return nearest >= kFadeSamples ? 1.0 : (nearest + 0.5) / kFadeSamples;
}

// The first sample at or after the place of position `x` among `count` values spread over
// `samples` samples; `samples` when the place is beyond the end, nothing before the start.
std::optional<std::size_t> SampleOfPosition(double x, std::size_t count, std::size_t samples) {
  const double place = (x + 0.5) * samples / count - 0.5;
  if (!(place > -1.0) || place >= static_cast<double>(samples)) return std::nullopt;
  return static_cast<std::size_t>(std::max(0.0, std::ceil(place)));
}

std::vector<double> Sanitized(std::span<const double> volts) {
  std::vector<double> held(volts.size());
  std::transform(volts.begin(), volts.end(), held.begin(), SoundScale::HeldVolts);
  return held;
}

}  // namespace

double HeldSeconds(double seconds) {
  if (std::isnan(seconds)) return kDefaultSeconds;
  return std::clamp(seconds, kShortestSeconds, kLongestSeconds);
}

std::size_t TraceSamples(double seconds) {
  return static_cast<std::size_t>(std::lround(HeldSeconds(seconds) * SoundScale::kSampleRate));
}

std::int16_t Pcm(double sample) {
  return PcmOf(sample);
}

std::vector<std::int16_t> Render(const TRequest& request) {
  if (request.volts.empty()) return {};
  const std::vector<double> values = Sanitized(request.volts);
  const std::size_t traceSamples = TraceSamples(request.seconds);
  std::vector<double> mixed(kLeadInSamples + traceSamples, 0.0);

  TSoundVoice reference;
  reference.Glide(0.0, 0.0, std::span(mixed).first(kReferenceSamples));
  for (std::size_t i = 0; i < kReferenceSamples; ++i) mixed[i] *= FadeGain(i, kReferenceSamples);

  // The trace, in pieces between the places where the cursors' tones start.
  const std::size_t count = values.size();
  struct TStart {
    std::size_t at;
    TSoundVoice::TMarker marker;
  };
  std::vector<TStart> starts;
  if (request.cursorA)
    if (const auto at = SampleOfPosition(*request.cursorA, count, traceSamples))
      starts.push_back({*at, TSoundVoice::TMarker::A});
  if (request.cursorB)
    if (const auto at = SampleOfPosition(*request.cursorB, count, traceSamples))
      starts.push_back({*at, TSoundVoice::TMarker::B});
  std::sort(starts.begin(), starts.end(),
            [](const TStart& a, const TStart& b) { return a.at < b.at; });
  const auto trace = std::span(mixed).subspan(kLeadInSamples);
  const double perSample = static_cast<double>(count) / traceSamples;
  const double origin = 0.5 * perSample - 0.5;
  TSoundVoice voice;
  std::size_t begin = 0;
  for (const TStart& start : starts) {
    GlideThrough(voice, values, origin, perSample, begin, start.at, trace);
    voice.StartMarker(start.marker);
    begin = start.at;
  }
  GlideThrough(voice, values, origin, perSample, begin, traceSamples, trace);

  std::vector<std::int16_t> sound(mixed.size());
  for (std::size_t i = 0; i < kLeadInSamples; ++i) sound[i] = Pcm(mixed[i]);
  for (std::size_t i = 0; i < traceSamples; ++i)
    sound[kLeadInSamples + i] = Pcm(FadeGain(i, traceSamples) * trace[i]);
  return sound;
}

std::vector<std::int16_t> TLive::RenderBlock(std::span<const double> volts) {
  if (volts.empty()) return {};
  // The block glides on from where the last one ended: point 0 is the last one's last value.
  points_.clear();
  points_.push_back(last_.value_or(SoundScale::HeldVolts(volts.front())));
  for (double v : volts) points_.push_back(SoundScale::HeldVolts(v));
  last_ = points_.back();

  const std::size_t samples = SamplesOfBlocks(blocks_ + 1) - SamplesOfBlocks(blocks_);
  ++blocks_;
  const double perSample = static_cast<double>(volts.size()) / samples;
  std::vector<std::int16_t> sound(samples);
  GlideThrough(voice_, points_, perSample, perSample, 0, samples, std::span(sound));
  return sound;
}

}  // namespace TraceSound
