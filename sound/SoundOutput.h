#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sound/SoundDevice.h"
#include "sound/TraceSound.h"

// Plays sound on a thread of its own: the caller only hands samples over and never waits
// for the device. Nothing exists until sound is first asked for: the thread starts then, and
// the device is opened for each sound and closed when it has been heard or stopped, so a
// silent program holds no device.
//
// A sound is one of two kinds of play, each with a number of its own:
// - Play(): a whole sound, replacing whatever sounds; its end is reported once heard;
// - Stream(): samples as they come (live listening), appended to the stream that is
//   sounding, or starting one; it sounds until stopped.
// PlayTrace() and StreamValues() hand over values instead: they become sound (TraceSound) on
// the player's thread, so the caller's thread only copies them.
class TSoundOutput {
 public:
  struct TEvent {
    enum class TKind { Finished, Failed } kind;
    unsigned play;  // the number Play() or Stream() gave
    TSoundErrorKind errorKind = TSoundErrorKind::Failed;
    std::string message;  // English, when failed
  };
  // Called on the player's thread, with nothing locked: hand it to where it is used.
  using TListener = std::function<void(const TEvent& event)>;
  using TDeviceOpener = std::function<std::unique_ptr<TSoundDevice>(const TSoundFormat& format)>;

  explicit TSoundOutput(TListener listener, TDeviceOpener opener = OpenSystemSoundDevice);
  TSoundOutput(const TSoundOutput&) = delete;
  TSoundOutput& operator=(const TSoundOutput&) = delete;
  // Stops the sound and ends the thread.
  ~TSoundOutput();

  unsigned Play(std::vector<std::int16_t> sound);
  unsigned Stream(const std::vector<std::int16_t>& samples);
  unsigned PlayTrace(TraceSound::TRequest trace);
  // A block of values of the live stream (TraceSound::TLive: 100 ms of sound each).
  unsigned StreamValues(std::vector<double> block);
  // Silences at once whatever sounds and drops what waits; no event follows for it.
  void Stop();

  // What the player writes of a whole sound at a time, 20 ms: it notices a stop between two.
  static constexpr std::size_t ChunkSamples(int sampleRate) {
    return static_cast<std::size_t>(sampleRate / 50);
  }
  // Of a stream, a live block (100 ms) at a time: each write to the system costs the same
  // however small, and a stream's write rarely waits, as its blocks come no faster than
  // they are heard.
  static constexpr std::size_t kStreamChunkSamples = TraceSound::TLive::kSampleRate / 10 + 1;
  // A whole sound plays at SoundScale::kSampleRate, a stream at SoundScale::kLiveSampleRate.
  static constexpr int kWholeSampleRate = SoundScale::kSampleRate;
  static constexpr int kStreamSampleRate = TraceSound::TLive::kSampleRate;

 private:
  enum class TPlayKind { Whole, Stream };
  unsigned StartPlay(TPlayKind kind);
  void Run();
  bool HasWork() const;
  // Renders the values waiting, if any, into waiting_; unlocks `lock` meanwhile.
  void Render(std::unique_lock<std::mutex>& lock, TraceSound::TLive& live);
  void Report(const TEvent& event);
  // The end of `play`, with what ended it; the lock is held on entry and on return.
  void EndPlay(std::unique_lock<std::mutex>& lock, unsigned play, const TEvent& event);

  const TListener listener_;
  const TDeviceOpener opener_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // Guarded by mutex_: what should sound now (0: nothing) and what of it is still to write.
  unsigned play_ = 0;
  TPlayKind kind_ = TPlayKind::Whole;
  // Samples still to write, from `next` on: appended and taken a stretch at a time.
  struct TWaiting {
    std::vector<std::int16_t> samples;
    std::size_t next = 0;
    bool empty() const { return next == samples.size(); }
    std::size_t size() const { return samples.size() - next; }
    void clear() {
      samples.clear();
      next = 0;
    }
    void Append(std::span<const std::int16_t> more);
    void Take(std::size_t count, std::vector<std::int16_t>& into);
  };
  TWaiting waiting_;
  // Values still to become sound, ahead of waiting_; a new stream starts a new live sound.
  std::optional<TraceSound::TRequest> traceToRender_;
  std::deque<std::vector<double>> blocksToRender_;
  bool newLive_ = false;
  bool quit_ = false;
  unsigned lastPlay_ = 0;
  std::thread thread_;
};
