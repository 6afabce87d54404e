// The pitch heard against time, measured from the rendered sound alone (upward zero
// crossings, 50 ms windows, the lead-in left out) for a sine, a square and a ramp of 200
// values over 3 s: "shape,seconds,hz,volts" lines, volts being the scale's value for hz.
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "SoundAnalysis.h"
#include "sound/TraceSound.h"

int main() {
  std::vector<std::pair<std::string, std::vector<double>>> shapes(3);
  shapes[0].first = "sine";
  shapes[1].first = "square";
  shapes[2].first = "ramp";
  for (int i = 0; i < 200; ++i) {
    shapes[0].second.push_back(3.0 * std::sin(2 * std::numbers::pi * 2 * i / 200));
    shapes[1].second.push_back((i / 50) % 2 ? -3.0 : 3.0);
    shapes[2].second.push_back(-5.0 + 10.0 * i / 199);
  }
  constexpr std::size_t kWindow = SoundScale::kSampleRate / 20;
  std::printf("shape,seconds,hz,volts\n");
  for (const auto& [name, values] : shapes) {
    TraceSound::TRequest request;
    request.volts = values;
    const auto sound = TraceSound::Render(request);
    for (std::size_t begin = TraceSound::kLeadInSamples; begin + kWindow <= sound.size();
         begin += kWindow) {
      const double hz = SoundAnalysis::PitchHz(sound, begin, begin + kWindow);
      const double volts = hz > 0 ? 10.0 / 3 * std::log2(hz / SoundScale::kLowestHz) - 5 : NAN;
      std::printf(
          "%s,%.3f,%.1f,%.2f\n", name.c_str(),
          double(begin + kWindow / 2 - TraceSound::kLeadInSamples) / SoundScale::kSampleRate, hz,
          volts);
    }
  }
}
