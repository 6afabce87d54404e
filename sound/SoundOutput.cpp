#include "sound/SoundOutput.h"

#include <algorithm>
#include <chrono>
#include <optional>

using namespace std::chrono_literals;

namespace {

// While the end of a sound is still to be heard, the player looks again this often: a stop
// is heard within it.
constexpr auto kEndWatch = 20ms;
// A device that says it still holds less than this has played the sound.
constexpr auto kHeard = 2ms;

}  // namespace

void TSoundOutput::TWaiting::Append(std::span<const std::int16_t> more) {
  // What was taken is dropped once it is half of what is kept: a stream that runs on for
  // hours neither grows nor moves each sample more than about twice.
  if (next > 0 && next >= samples.size() / 2) {
    samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(next));
    next = 0;
  }
  samples.insert(samples.end(), more.begin(), more.end());
}

void TSoundOutput::TWaiting::Take(std::size_t count, std::vector<std::int16_t>& into) {
  const auto from = samples.begin() + static_cast<std::ptrdiff_t>(next);
  into.assign(from, from + static_cast<std::ptrdiff_t>(count));
  next += count;
  if (next == samples.size()) clear();
}

TSoundOutput::TSoundOutput(TListener listener, TDeviceOpener opener)
    : listener_(std::move(listener)), opener_(std::move(opener)) {}

TSoundOutput::~TSoundOutput() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

unsigned TSoundOutput::StartPlay(TPlayKind kind) {
  // Under mutex_.
  play_ = ++lastPlay_;
  if (play_ == 0) play_ = ++lastPlay_;  // 0 stands for silence
  kind_ = kind;
  waiting_.clear();
  traceToRender_.reset();
  blocksToRender_.clear();
  newLive_ = kind == TPlayKind::Stream;
  if (!thread_.joinable()) thread_ = std::thread(&TSoundOutput::Run, this);
  return play_;
}

unsigned TSoundOutput::Play(std::vector<std::int16_t> sound) {
  unsigned play;
  {
    std::lock_guard lock(mutex_);
    play = StartPlay(TPlayKind::Whole);
    waiting_.samples = std::move(sound);
  }
  changed_.notify_all();
  return play;
}

unsigned TSoundOutput::Stream(const std::vector<std::int16_t>& samples) {
  unsigned play;
  {
    std::lock_guard lock(mutex_);
    if (play_ == 0 || kind_ != TPlayKind::Stream) StartPlay(TPlayKind::Stream);
    play = play_;
    waiting_.Append(samples);
  }
  changed_.notify_all();
  return play;
}

unsigned TSoundOutput::PlayTrace(TraceSound::TRequest trace) {
  unsigned play;
  {
    std::lock_guard lock(mutex_);
    play = StartPlay(TPlayKind::Whole);
    traceToRender_ = std::move(trace);
  }
  changed_.notify_all();
  return play;
}

unsigned TSoundOutput::StreamValues(std::vector<double> block) {
  unsigned play;
  {
    std::lock_guard lock(mutex_);
    if (play_ == 0 || kind_ != TPlayKind::Stream) StartPlay(TPlayKind::Stream);
    play = play_;
    blocksToRender_.push_back(std::move(block));
  }
  changed_.notify_all();
  return play;
}

void TSoundOutput::Stop() {
  {
    std::lock_guard lock(mutex_);
    play_ = 0;
    waiting_.clear();
    traceToRender_.reset();
    blocksToRender_.clear();
  }
  changed_.notify_all();
}

void TSoundOutput::Report(const TEvent& event) {
  if (listener_) listener_(event);
}

bool TSoundOutput::HasWork() const {
  return !waiting_.empty() || traceToRender_ || !blocksToRender_.empty();
}

void TSoundOutput::Render(std::unique_lock<std::mutex>& lock, TraceSound::TLive& live) {
  if (!traceToRender_ && blocksToRender_.empty()) return;
  const unsigned play = play_;
  std::optional<TraceSound::TRequest> trace = std::move(traceToRender_);
  traceToRender_.reset();
  std::deque<std::vector<double>> blocks = std::move(blocksToRender_);
  blocksToRender_.clear();
  if (newLive_) live = TraceSound::TLive();
  newLive_ = false;
  lock.unlock();
  std::vector<std::int16_t> sound;
  if (trace) sound = TraceSound::Render(*trace);
  for (const auto& block : blocks) {
    const auto part = live.RenderBlock(block);
    sound.insert(sound.end(), part.begin(), part.end());
  }
  lock.lock();
  if (play_ == play) waiting_.Append(sound);
}

void TSoundOutput::EndPlay(std::unique_lock<std::mutex>& lock, unsigned play, const TEvent& event) {
  // Told only while it is still the play asked for: a stop or a new sound meanwhile has
  // made it old news.
  const bool current = play_ == play;
  if (current) {
    play_ = 0;
    waiting_.clear();
    blocksToRender_.clear();
  }
  lock.unlock();
  if (current) Report(event);
  lock.lock();
}

void TSoundOutput::Run() {
  TraceSound::TLive live;
  std::unique_ptr<TSoundDevice> device;
  unsigned devicePlay = 0;  // the play the open device sounds
  int deviceRate = kWholeSampleRate;
  std::vector<std::int16_t> chunk;
  // When the whole sound of play heardByPlay will have been heard, by what the device said
  // once all of it was written.
  std::chrono::steady_clock::time_point heardBy;
  unsigned heardByPlay = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] {
      return quit_ || (device && devicePlay != play_) ||
             (play_ != 0 && (HasWork() || kind_ == TPlayKind::Whole));
    });
    if (quit_) break;
    if (device && devicePlay != play_) {
      // Stopped or replaced: closing drops what the device still holds.
      lock.unlock();
      device.reset();
      lock.lock();
      continue;
    }
    const unsigned play = play_;
    if (traceToRender_ || !blocksToRender_.empty()) {
      Render(lock, live);
      continue;
    }
    if (!device) {
      const TSoundFormat format =
          kind_ == TPlayKind::Stream
              ? TSoundFormat{kStreamSampleRate, kStreamChunkSamples}
              : TSoundFormat{kWholeSampleRate, ChunkSamples(kWholeSampleRate)};
      lock.unlock();
      TEvent failure{TEvent::TKind::Failed, play, TSoundErrorKind::Failed, {}};
      try {
        device = opener_(format);
      } catch (const TSoundError& error) {
        failure.errorKind = error.Kind();
        failure.message = error.what();
      }
      lock.lock();
      if (!device) {
        // Reported unless stopped or replaced meanwhile; the next sound tries again.
        EndPlay(lock, play, failure);
        continue;
      }
      devicePlay = play;
      deviceRate = format.sampleRate;
      continue;  // the play may have changed meanwhile
    }

    std::optional<TEvent> event;
    if (!waiting_.empty()) {
      const std::size_t most =
          kind_ == TPlayKind::Stream ? kStreamChunkSamples : ChunkSamples(deviceRate);
      waiting_.Take(std::min(most, waiting_.size()), chunk);
      heardByPlay = 0;  // more to hear: the end is taken again once all is written
      lock.unlock();
      try {
        device->Write(chunk);
      } catch (const TSoundError& error) {
        event = TEvent{TEvent::TKind::Failed, play, error.Kind(), error.what()};
      }
    } else {
      // A whole sound, all written: wait until it has been heard, or a stop comes first.
      // It has been once the device says so, or once the time it said at the end of the
      // writing has passed: a real output's own latency (tens of milliseconds on a desktop,
      // more on a loaded one) is always part of what it says, and may never fall to nothing.
      lock.unlock();
      try {
        const auto now = std::chrono::steady_clock::now();
        const auto left = device->StillToHear();
        if (heardByPlay != play) {
          heardBy = now + left;
          heardByPlay = play;
        }
        if (left < kHeard || now >= heardBy)
          event = TEvent{TEvent::TKind::Finished, play, TSoundErrorKind::Failed, {}};
        else {
          const auto wait =
              std::min({std::chrono::duration_cast<std::chrono::microseconds>(heardBy - now),
                        std::chrono::microseconds(left), std::chrono::microseconds(kEndWatch)});
          lock.lock();
          changed_.wait_for(lock, wait, [&] { return quit_ || play_ != play; });
          continue;
        }
      } catch (const TSoundError& error) {
        event = TEvent{TEvent::TKind::Failed, play, error.Kind(), error.what()};
      }
    }
    if (!event) {
      lock.lock();
      continue;
    }
    device.reset();
    lock.lock();
    EndPlay(lock, play, *event);
  }
  lock.unlock();
  device.reset();
}
