#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sound/SoundScale.h"
#include "sound/SoundVoice.h"

// A trace as sound: 16-bit mono PCM at SoundScale::kSampleRate (live sound at its own lower
// rate), the same values always giving the same samples.
namespace TraceSound {

// The trace's own length: 1 to 10 s, 3 s unless asked otherwise.
inline constexpr double kShortestSeconds = 1.0;
inline constexpr double kLongestSeconds = 10.0;
inline constexpr double kDefaultSeconds = 3.0;
// Held to the range; not a number gives the default.
double HeldSeconds(double seconds);

// Before the trace, the scale: 0.4 s at 0 V, then 0.2 s of silence.
inline constexpr std::size_t kReferenceSamples = SoundScale::kSampleRate * 4 / 10;
inline constexpr std::size_t kLeadInSamples = kReferenceSamples + SoundScale::kSampleRate / 5;
// Each end of the reference tone and the trace fades over 5 ms.
inline constexpr std::size_t kFadeSamples = SoundScale::kSampleRate / 200;

struct TRequest {
  std::vector<double> volts;  // as drawn from left to right
  double seconds = kDefaultSeconds;
  // Cursors A and B as positions among the values (0 the first, fractions between them);
  // their tones sound where the trace passes them.
  std::optional<double> cursorA;
  std::optional<double> cursorB;
};

// Samples of the trace proper for `seconds` (held).
std::size_t TraceSamples(double seconds);

// The reference tone, the pause and the trace: kLeadInSamples + TraceSamples(seconds)
// samples. Each value has an equal share of the time, heard at its middle, the pitch gliding
// in a straight line between neighbours. Nothing at all without values.
std::vector<std::int16_t> Render(const TRequest& request);

// The newest samples as they come, at SoundScale::kLiveSampleRate: each block (normally the
// board's 32 samples) becomes 100 ms of sound, gliding on from the block before without a
// break in the phase. 100 ms is 1102.5 samples: the blocks take 1102 and 1103 in turn, so
// that n blocks are always SamplesOfBlocks(n) long.
class TLive {
 public:
  static constexpr int kSampleRate = SoundScale::kLiveSampleRate;
  static constexpr std::size_t SamplesOfBlocks(std::uint64_t blocks) {
    return static_cast<std::size_t>(blocks * kSampleRate / 10);
  }
  // An empty block gives no sound.
  std::vector<std::int16_t> RenderBlock(std::span<const double> volts);

 private:
  TSoundVoice voice_{kSampleRate};
  std::optional<double> last_;
  std::uint64_t blocks_ = 0;
  std::vector<double> points_;  // kept from block to block: no allocation each time
};

// A sample between -1 and 1 as 16 bits, rounded, held to the range.
std::int16_t Pcm(double sample);

}  // namespace TraceSound
