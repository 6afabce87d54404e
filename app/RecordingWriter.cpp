#include "RecordingWriter.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
// What the writer has written reaches the disk at most this much later: a recording cut
// short by a crash or a pulled stick loses at most the last second.
constexpr auto kFlushEvery = std::chrono::seconds(1);

}  // namespace

TRecordingWriter::TRecordingWriter(std::unique_ptr<TTableOutput> output,
                                   TSampleTable::TFormat format, TFailed failed)
    : output_(std::move(output)),
      table_(format),
      fileName_(output_->Name()),
      failed_(std::move(failed)) {
  Start();
}

TRecordingWriter::~TRecordingWriter() {
  Finish();
  WaitFor();
}

void TRecordingWriter::Add(const TBlock& block) {
  ++blocksAdded_;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(block);
  }
  wake_.notify_one();
}

void TRecordingWriter::Finish() {
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  wake_.notify_one();
}

void TRecordingWriter::Abandon() {
  abandoned_ = true;
  Finish();
  TThread::Abandon();
}

void TRecordingWriter::TerminateRequested() {
  Finish();
}

void TRecordingWriter::Execute() {
  if (!output_->Write(table_.Header())) return Fail(TFailedAt::Write);
  // The header is written: a recording without a block is a table without rows.
  bool unflushed = true;
  Clock::time_point flushDue = Clock::now() + kFlushEvery;
  for (;;) {
    std::deque<TBlock> blocks;
    bool finishing = false;
    {
      std::unique_lock lock(mutex_);
      const auto ready = [this] { return !queue_.empty() || finishing_; };
      if (unflushed)
        wake_.wait_until(lock, flushDue, ready);
      else
        wake_.wait(lock, ready);
      // The disk is written to without the lock: a write that stalls for seconds keeps
      // nobody from queueing.
      blocks.swap(queue_);
      finishing = finishing_;
    }
    if (!blocks.empty()) {
      if (!WriteBlocks(blocks)) return Fail(TFailedAt::Write);
      if (!unflushed) {
        unflushed = true;
        flushDue = Clock::now() + kFlushEvery;
      }
    }
    if (unflushed && (finishing || Clock::now() >= flushDue)) {
      if (!Flush()) return Fail(TFailedAt::Flush);
      unflushed = false;
    }
    if (finishing) break;
  }
  if (!output_->Close()) Fail(TFailedAt::Close);
}

bool TRecordingWriter::Flush() {
  const uint64_t written = blocksWritten_.load();
  if (!output_->Flush()) return false;
  blocksOnDisk_.store(written);
  return true;
}

bool TRecordingWriter::WriteBlocks(const std::deque<TBlock>& blocks) {
  // One write per block: a disk that fills up keeps every block before the one that didn't
  // fit.
  for (const TBlock& block : blocks) {
    const uint64_t number = blocksWritten_.load();
    if (!output_->Write(table_.BlockRows(number, block.elapsedMs, block.samples))) return false;
    blocksWritten_.store(number + 1);
  }
  return true;
}

void TRecordingWriter::Fail(TFailedAt at) {
  const QString reason = output_->Error();
  if (at == TFailedAt::Write) Flush();
  if (at != TFailedAt::Close) output_->Close();
  // An abandoned writer's owner may be gone; checked again on the main thread, where it is set.
  if (!failed_ || abandoned_) return;
  Synchronize([this, &reason] {
    if (!abandoned_) failed_(*this, reason);
  });
}
