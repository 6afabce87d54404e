#include "sound/TraceSound.h"

#include <algorithm>
#include <cmath>

namespace TraceSound {

namespace {

// The value at position `x` among `points` (0 the first), in a straight line between
// neighbours and held beyond the ends.
double ValueAt(std::span<const double> points, double x) {
  if (x <= 0.0) return points.front();
  const auto last = points.size() - 1;
  if (x >= static_cast<double>(last)) return points.back();
  const auto below = static_cast<std::size_t>(x);
  const double fraction = x - static_cast<double>(below);
  return points[below] + fraction * (points[below + 1] - points[below]);
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
  // Rounded half away from zero, without a call into the library for every sample.
  const double scaled = std::clamp(sample, -1.0, 1.0) * 32767.0;
  return static_cast<std::int16_t>(scaled >= 0 ? scaled + 0.5 : scaled - 0.5);
}

std::vector<std::int16_t> Render(const TRequest& request) {
  if (request.volts.empty()) return {};
  const std::vector<double> values = Sanitized(request.volts);
  const std::size_t traceSamples = TraceSamples(request.seconds);
  std::vector<std::int16_t> sound(kLeadInSamples + traceSamples, 0);

  TSoundVoice reference;
  for (std::size_t i = 0; i < kReferenceSamples; ++i)
    sound[i] = Pcm(FadeGain(i, kReferenceSamples) * reference.Next(0.0));

  const std::size_t count = values.size();
  const auto markerA =
      request.cursorA ? SampleOfPosition(*request.cursorA, count, traceSamples) : std::nullopt;
  const auto markerB =
      request.cursorB ? SampleOfPosition(*request.cursorB, count, traceSamples) : std::nullopt;
  TSoundVoice voice;
  const double valuesPerSample = static_cast<double>(count) / traceSamples;
  for (std::size_t i = 0; i < traceSamples; ++i) {
    if (markerA == i) voice.StartMarker(TSoundVoice::TMarker::A);
    if (markerB == i) voice.StartMarker(TSoundVoice::TMarker::B);
    const double x = (i + 0.5) * valuesPerSample - 0.5;
    sound[kLeadInSamples + i] = Pcm(FadeGain(i, traceSamples) * voice.Next(ValueAt(values, x)));
  }
  return sound;
}

std::vector<std::int16_t> TLive::RenderBlock(std::span<const double> volts) {
  if (volts.empty()) return {};
  // The block glides on from where the last one ended: point 0 is the last one's last value.
  std::vector<double> points;
  points.reserve(volts.size() + 1);
  points.push_back(last_.value_or(SoundScale::HeldVolts(volts.front())));
  for (double v : volts) points.push_back(SoundScale::HeldVolts(v));
  last_ = points.back();

  std::vector<std::int16_t> sound(kBlockSamples);
  const double valuesPerSample = static_cast<double>(volts.size()) / kBlockSamples;
  for (std::size_t i = 0; i < kBlockSamples; ++i)
    sound[i] = Pcm(voice_.Next(ValueAt(points, (i + 1) * valuesPerSample)));
  return sound;
}

}  // namespace TraceSound
