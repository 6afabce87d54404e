#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

// The lowest and highest raw value of a stretch of samples; Low > High when it has none.
struct TSampleRange {
  uint16_t Low = std::numeric_limits<uint16_t>::max();
  uint16_t High = 0;
  bool Empty() const { return Low > High; }
  void Take(uint16_t raw) {
    if (raw < Low) Low = raw;
    if (raw > High) High = raw;
  }
  void Take(TSampleRange other) {
    if (other.Low < Low) Low = other.Low;
    if (other.High > High) High = other.High;
  }
};

// One pixel column of a view: the lowest and highest raw sample it covers, whether it covers
// any, and whether the line coming from the samples before it is broken by a gap.
struct TColumnEnvelope {
  uint16_t Low = 0;
  uint16_t High = 0;
  bool HasValue = false;
  bool GapBefore = false;
};

// One run of measuring, every sample in the order it came: the raw 16-bit values, the time
// each block came (milliseconds since the run started) and the gaps (where blocks did not
// come, or a recording stopped and started again). Positions are sample numbers from the
// run's first sample; the oldest can be dropped to make room, and positions stay as they
// were. Samples are kept in chunks of kChunkSamples, each with the minimum and maximum of
// every kFineSpan, kMidSpan and kCoarseSpan samples, kept up to date as blocks arrive, so a
// view of millions of samples reads a few thousand envelopes. Plain C++, no Qt.
class TRun {
 public:
  static constexpr int kChunkSamples = 65536;
  static constexpr int kFineSpan = 64;
  static constexpr int kMidSpan = 512;
  static constexpr int kCoarseSpan = 4096;
  static constexpr int32_t kNoTime = std::numeric_limits<int32_t>::min();
  // What one chunk holds in memory once it is started.
  static constexpr size_t kChunkBytes =
      kChunkSamples * sizeof(uint16_t) +
      (kChunkSamples / kFineSpan + kChunkSamples / kMidSpan + kChunkSamples / kCoarseSpan) *
          sizeof(TSampleRange);

  struct TBlock {
    uint32_t FirstSample;  // position of its first sample
    int32_t TimeMs;        // when it came, since the run started; kNoTime when not known
  };

  TRun(int number, std::chrono::system_clock::time_point start);
  TRun(const TRun&) = delete;
  TRun& operator=(const TRun&) = delete;

  // Counted from 1 in the window's session.
  int Number() const { return number_; }
  std::chrono::system_clock::time_point StartTime() const { return start_; }
  // The time of the newest block, 0 before any.
  int64_t DurationMs() const { return durationMs_; }
  // The file a run was opened from (its name, UTF-8), empty for a run measured here.
  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string name) { fileName_ = std::move(name); }

  // Positions [DroppedSamples(), SampleCount()) are kept.
  uint64_t SampleCount() const { return count_; }
  uint64_t DroppedSamples() const { return dropped_; }
  uint64_t KeptSamples() const { return count_ - dropped_; }
  // A kept sample.
  uint16_t SampleAt(uint64_t position) const;

  // The blocks whose first sample is kept, oldest first.
  size_t BlockCount() const { return blocks_.size(); }
  const TBlock& BlockAt(size_t index) const { return blocks_[index]; }
  // Positions of kept samples that do not join the sample before them, in order.
  const std::vector<uint64_t>& Gaps() const { return gaps_; }

  // The next block does not join the last one (if there is one).
  void MarkGap() { gapPending_ = count_ > 0; }
  // At most a chunk's worth of samples; more is cut off (a block is 32).
  void AppendBlock(std::span<const uint16_t> samples, int32_t timeMs);
  // What appending `samples` more would add to MemoryBytes().
  size_t BytesToAppend(size_t samples) const;

  // Over the kept samples in [first, end).
  TSampleRange Range(uint64_t first, uint64_t end) const;
  // Splits [first, end) into columns.size() parts (ColumnStart) and describes each: exactly
  // the lowest and highest of its kept samples. A column of no kept sample has no value. A
  // gap inside a column (but the last) ends it there, and the next column starts at the gap.
  void Columns(uint64_t first, uint64_t end, std::span<TColumnEnvelope> columns) const;
  // Where column c of n over [first, end) starts (column n: end). The parts are equal to a
  // sample; where a column covers thousands of samples, its start is put back onto the start
  // of an envelope (by less than a thirty-second of its width), so that it is read from
  // envelopes alone.
  static uint64_t ColumnStart(uint64_t first, uint64_t end, uint64_t n, uint64_t c);

  size_t MemoryBytes() const;
  // Frees the oldest chunk, its blocks and gaps; false when there is none but the one being
  // filled.
  bool DropOldestChunk();

 private:
  struct TChunk {
    std::vector<uint16_t> samples;
    std::vector<TSampleRange> fine;
    std::vector<TSampleRange> mid;
    std::vector<TSampleRange> coarse;
  };
  // The range of [first, end) inside one chunk, both relative to it.
  static TSampleRange ChunkRange(const TChunk& chunk, uint32_t first, uint32_t end);

  int number_;
  std::chrono::system_clock::time_point start_;
  int64_t durationMs_ = 0;
  uint64_t count_ = 0;
  uint64_t dropped_ = 0;                        // always a multiple of kChunkSamples
  std::deque<std::unique_ptr<TChunk>> chunks_;  // the first holds position dropped_
  std::deque<TBlock> blocks_;
  std::vector<uint64_t> gaps_;
  bool gapPending_ = false;
  std::string fileName_;
};

// The runs of the window's session, oldest first, within one memory limit: a new run starts
// with each start of measuring and the earlier ones stay. When the limit is reached the
// oldest runs go first, then the oldest samples of the run being measured.
class TRunStore {
 public:
  // 8 hours of measuring (9.2 M samples) take about 21.5 MB.
  static constexpr size_t kDefaultLimitBytes = 25'000'000;
  // Runs kept at most, for a list one can choose from.
  static constexpr int kMaxRuns = 10;

  explicit TRunStore(size_t limitBytes = kDefaultLimitBytes) : limit_(limitBytes) {}

  // A new run, which takes the blocks from now on. A run that got no sample makes way for it.
  TRun& StartRun(std::chrono::system_clock::time_point start);
  // The run being fed: the newest, or none before the first start.
  TRun* Current() { return runs_.empty() ? nullptr : runs_.back().get(); }
  int RunCount() const { return static_cast<int>(runs_.size()); }
  const TRun& RunAt(int index) const { return *runs_[index]; }
  // Runs that left to make room.
  int RunsDropped() const { return runsDropped_; }

  void AppendBlock(std::span<const uint16_t> samples, int32_t timeMs);
  void MarkGap();

  // Adds a run read from a file, whole or not at all: the oldest runs make room for it, as
  // they do for a new run, but never the one being measured (`measuring`), which stays the
  // newest, the one fed. The index it got, or -1 when it alone is over the limit, or when room
  // could only be made by cutting the run being measured (then nothing changed).
  int AddRun(std::unique_ptr<TRun> run, bool measuring);

  size_t MemoryBytes() const;
  size_t LimitBytes() const { return limit_; }

 private:
  // Frees the oldest thing there is to free; false when nothing is left.
  bool FreeOldest();

  size_t limit_;
  int nextNumber_ = 1;
  int runsDropped_ = 0;
  std::deque<std::unique_ptr<TRun>> runs_;
};
