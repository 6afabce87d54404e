#include "RunStore.h"

#include <algorithm>

namespace {

constexpr int kFinePerChunk = TRun::kChunkSamples / TRun::kFineSpan;
constexpr int kMidPerChunk = TRun::kChunkSamples / TRun::kMidSpan;
constexpr int kCoarsePerChunk = TRun::kChunkSamples / TRun::kCoarseSpan;
static_assert(TRun::kChunkSamples % TRun::kCoarseSpan == 0 &&
              TRun::kCoarseSpan % TRun::kMidSpan == 0 && TRun::kMidSpan % TRun::kFineSpan == 0);
// A column's start goes back onto an envelope's only where that is this small a part of it.
constexpr uint64_t kSnapRatio = 32;

}  // namespace

TRun::TRun(int number, std::chrono::system_clock::time_point start)
    : number_(number), start_(start) {}

uint16_t TRun::SampleAt(uint64_t position) const {
  const uint64_t at = position - dropped_;
  return chunks_[at / kChunkSamples]->samples[at % kChunkSamples];
}

size_t TRun::BytesToAppend(size_t samples) const {
  const uint64_t room = count_ % kChunkSamples == 0 ? 0 : kChunkSamples - count_ % kChunkSamples;
  const uint64_t newChunks =
      samples > room ? (samples - room + kChunkSamples - 1) / kChunkSamples : 0;
  return newChunks * (kChunkBytes + sizeof(TChunk)) + sizeof(TBlock);
}

void TRun::AppendBlock(std::span<const uint16_t> samples, int32_t timeMs) {
  // A block's position is kept in 32 bits: 155 days of measuring.
  if (samples.empty() || count_ + kChunkSamples > std::numeric_limits<uint32_t>::max()) return;
  samples = samples.first(std::min<size_t>(samples.size(), kChunkSamples));
  if (gapPending_) gaps_.push_back(count_);
  gapPending_ = false;
  blocks_.push_back({static_cast<uint32_t>(count_), timeMs});
  if (timeMs != kNoTime) durationMs_ = std::max<int64_t>(durationMs_, timeMs);
  for (const uint16_t raw : samples) {
    const uint32_t offset = count_ % kChunkSamples;
    if (offset == 0) {
      auto chunk = std::make_unique<TChunk>();
      chunk->samples.reserve(kChunkSamples);
      chunk->fine.reserve(kFinePerChunk);
      chunk->mid.reserve(kMidPerChunk);
      chunk->coarse.reserve(kCoarsePerChunk);
      chunks_.push_back(std::move(chunk));
    }
    TChunk& chunk = *chunks_.back();
    chunk.samples.push_back(raw);
    if (offset % kFineSpan == 0) chunk.fine.emplace_back();
    if (offset % kMidSpan == 0) chunk.mid.emplace_back();
    if (offset % kCoarseSpan == 0) chunk.coarse.emplace_back();
    chunk.fine.back().Take(raw);
    chunk.mid.back().Take(raw);
    chunk.coarse.back().Take(raw);
    ++count_;
  }
}

TSampleRange TRun::ChunkRange(const TChunk& chunk, uint32_t first, uint32_t end) {
  // Single samples up to a fine boundary, then ever larger envelopes up to the boundaries
  // of the next level, the largest as far as they fit whole, then back down: at most 63
  // samples, 7 fine and 7 mid envelopes at either end.
  TSampleRange range;
  const uint16_t* samples = chunk.samples.data();
  while (first < end && first % kFineSpan != 0) range.Take(samples[first++]);
  while (first + kFineSpan <= end && first % kMidSpan != 0) {
    range.Take(chunk.fine[first / kFineSpan]);
    first += kFineSpan;
  }
  while (first + kMidSpan <= end && first % kCoarseSpan != 0) {
    range.Take(chunk.mid[first / kMidSpan]);
    first += kMidSpan;
  }
  while (first + kCoarseSpan <= end) {
    range.Take(chunk.coarse[first / kCoarseSpan]);
    first += kCoarseSpan;
  }
  while (first + kMidSpan <= end) {
    range.Take(chunk.mid[first / kMidSpan]);
    first += kMidSpan;
  }
  while (first + kFineSpan <= end) {
    range.Take(chunk.fine[first / kFineSpan]);
    first += kFineSpan;
  }
  while (first < end) range.Take(samples[first++]);
  return range;
}

TSampleRange TRun::Range(uint64_t first, uint64_t end) const {
  // Relative to the first chunk, whose start is a multiple of the chunk's size: the spans'
  // boundaries inside each chunk are the same as from the run's start.
  uint64_t at = std::max(first, dropped_) - dropped_;
  const uint64_t stop = std::min(end, count_) - std::min(std::min(end, count_), dropped_);
  TSampleRange range;
  while (at < stop) {
    const uint64_t chunkStart = at / kChunkSamples * kChunkSamples;
    const uint64_t chunkStop = std::min(stop, chunkStart + kChunkSamples);
    range.Take(ChunkRange(*chunks_[at / kChunkSamples], static_cast<uint32_t>(at - chunkStart),
                          static_cast<uint32_t>(chunkStop - chunkStart)));
    at = chunkStop;
  }
  return range;
}

uint64_t TRun::ColumnStart(uint64_t first, uint64_t end, uint64_t n, uint64_t c) {
  if (end <= first || n == 0 || c == 0) return first;
  if (c >= n) return end;
  const uint64_t length = end - first;
  // Integer split; the product fits: positions stay below 2^40 and columns below 2^23.
  const uint64_t even = first + length * c / n;
  const uint64_t perColumn = length / n;
  for (const uint64_t span : {uint64_t(kCoarseSpan), uint64_t(kMidSpan), uint64_t(kFineSpan)})
    if (perColumn >= span * kSnapRatio) return even - even % span;  // still >= first
  return even;
}

void TRun::Columns(uint64_t first, uint64_t end, std::span<TColumnEnvelope> columns) const {
  const uint64_t n = columns.size();
  if (end < first) end = first;
  // The gaps from the first one that can matter on: each is at or after the view's start.
  auto gap = std::lower_bound(gaps_.begin(), gaps_.end(), first);
  uint64_t joinedFrom = 0;  // the end of the last column with a value
  bool anyBefore = false;
  uint64_t start = first;
  for (uint64_t c = 0; c < n; ++c) {
    uint64_t next = ColumnStart(first, end, n, c + 1);
    // A column ends at a gap inside it, and the next one starts there: one column spanning
    // both sides would draw a line across the gap. Its width goes to the next column.
    const auto inside = std::upper_bound(gaps_.begin(), gaps_.end(), std::max(start, dropped_));
    if (c + 1 < n && inside != gaps_.end() && *inside < next) next = *inside;
    const uint64_t columnFirst = std::max(start, dropped_);
    const uint64_t columnEnd = std::min(next, count_);
    start = next;
    TColumnEnvelope& column = columns[c];
    column = {};
    if (columnFirst >= columnEnd) continue;
    const TSampleRange range = Range(columnFirst, columnEnd);
    column.Low = range.Low;
    column.High = range.High;
    column.HasValue = true;
    // A gap at a position between the last column's end and this column's first sample
    // breaks the line between them.
    while (gap != gaps_.end() && *gap < (anyBefore ? joinedFrom : columnFirst)) ++gap;
    column.GapBefore = gap != gaps_.end() && *gap <= columnFirst;
    while (gap != gaps_.end() && *gap < columnEnd) ++gap;
    joinedFrom = columnEnd;
    anyBefore = true;
  }
}

size_t TRun::MemoryBytes() const {
  return sizeof(TRun) + chunks_.size() * (kChunkBytes + sizeof(TChunk)) +
         blocks_.size() * sizeof(TBlock) + gaps_.capacity() * sizeof(uint64_t);
}

bool TRun::DropOldestChunk() {
  // The chunk being filled stays: the next sample's place follows from it.
  if (chunks_.empty() || (chunks_.size() == 1 && count_ % kChunkSamples != 0)) return false;
  chunks_.pop_front();
  dropped_ = std::min<uint64_t>(dropped_ + kChunkSamples, count_);
  while (!blocks_.empty() && blocks_.front().FirstSample < dropped_) blocks_.pop_front();
  gaps_.erase(gaps_.begin(), std::lower_bound(gaps_.begin(), gaps_.end(), dropped_ + 1));
  if (chunks_.empty()) dropped_ = count_;
  return true;
}

// ---- The session's runs ----

TRun& TRunStore::StartRun(std::chrono::system_clock::time_point start) {
  if (!runs_.empty() && runs_.back()->SampleCount() == 0) {
    runs_.pop_back();
    --nextNumber_;
  }
  if (static_cast<int>(runs_.size()) >= kMaxRuns) {
    runs_.pop_front();
    ++runsDropped_;
  }
  runs_.push_back(std::make_unique<TRun>(nextNumber_++, start));
  return *runs_.back();
}

void TRunStore::AppendBlock(std::span<const uint16_t> samples, int32_t timeMs) {
  TRun* run = Current();
  if (!run || samples.empty()) return;
  // Room first, so the store never holds more than its limit.
  const size_t needed = run->BytesToAppend(samples.size());
  while (MemoryBytes() + needed > limit_ && FreeOldest()) {
  }
  run->AppendBlock(samples, timeMs);
}

void TRunStore::MarkGap() {
  if (TRun* run = Current()) run->MarkGap();
}

size_t TRunStore::MemoryBytes() const {
  size_t bytes = 0;
  for (const auto& run : runs_) bytes += run->MemoryBytes();
  return bytes;
}

bool TRunStore::FreeOldest() {
  if (runs_.size() > 1) {
    runs_.pop_front();
    ++runsDropped_;
    return true;
  }
  return !runs_.empty() && runs_.front()->DropOldestChunk();
}

int TRunStore::AddRun(std::unique_ptr<TRun> run, bool measuring) {
  if (!run || run->SampleCount() == 0) return -1;
  const size_t bytes = run->MemoryBytes();
  if (bytes > limit_) return -1;
  // A start that got no sample makes way, as it does for a new run.
  if (!measuring && !runs_.empty() && runs_.back()->SampleCount() == 0) {
    runs_.pop_back();
    --nextNumber_;
  }
  // How many of the oldest runs must go; worked out before any goes, so a refusal changes
  // nothing.
  const size_t untouchable = measuring && !runs_.empty() ? 1 : 0;
  size_t total = MemoryBytes();
  size_t leaving = 0;
  while ((total + bytes > limit_ || runs_.size() - leaving + 1 > size_t(kMaxRuns)) &&
         runs_.size() - leaving > untouchable)
    total -= runs_[leaving++]->MemoryBytes();
  if (total + bytes > limit_) return -1;
  for (size_t i = 0; i < leaving; ++i) runs_.pop_front();
  runsDropped_ += static_cast<int>(leaving);
  if (untouchable) {
    runs_.insert(runs_.end() - 1, std::move(run));
    return RunCount() - 2;
  }
  runs_.push_back(std::move(run));
  return RunCount() - 1;
}
