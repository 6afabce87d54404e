#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "framework/TableOutput.h"
#include "framework/Thread.h"
#include "protocol/BoardProtocol.h"
#include "protocol/SampleTable.h"

// One recording's file, written by a thread of its own. The main thread queues blocks and
// never waits on the disk; the writer writes the header, then each block as the table's rows
// (one whole block per write, numbered from 0 in the order they came) and hands what it wrote
// to the disk at least once a second. A write that fails ends the writing: the file ends with
// the last whole block, and the failure is handed over to the main thread. What the system
// took counts as on the disk only once a flush of it succeeded.
class TRecordingWriter : public TThread {
 public:
  struct TBlock {
    int64_t elapsedMs;  // when it came, since the recording began
    BoardProtocol::TSampleBlock samples;
  };
  // `failed` runs on the main thread, through the hand-over, with the system's reason.
  using TFailed = std::function<void(TRecordingWriter& writer, const QString& reason)>;
  TRecordingWriter(std::unique_ptr<TTableOutput> output, TSampleTable::TFormat format,
                   TFailed failed);
  // Writes what is queued, closes the file and waits for the thread.
  ~TRecordingWriter() override;

  // Main thread.
  void Add(const TBlock& block);
  // No more blocks: what is queued is written and the file closed, without waiting here.
  void Finish();
  // Blocks added so far.
  uint64_t BlocksAdded() const { return blocksAdded_; }
  // Gives the writer up while it may be blocked for good (a file server that no longer
  // answers): nobody waits for it, and no failure of it is reported. Its object must then
  // never be destroyed; the thread may still use it.
  void Abandon();

  // Any thread. Blocks handed to the system, and those of them a flush brought to the disk.
  uint64_t BlocksWritten() const { return blocksWritten_.load(); }
  uint64_t BlocksOnDisk() const { return blocksOnDisk_.load(); }
  QString FileName() const { return fileName_; }

 protected:
  void Execute() override;
  void TerminateRequested() override;

 private:
  bool WriteBlocks(const std::deque<TBlock>& blocks);
  bool Flush();
  // After a failed write, what the system took may still reach the disk: it is flushed, so
  // the rows said to be kept are those that are.
  enum class TFailedAt { Write, Flush, Close };
  void Fail(TFailedAt at);

  std::unique_ptr<TTableOutput> output_;
  const TSampleTable table_;
  const QString fileName_;
  TFailed failed_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<TBlock> queue_;  // guarded by mutex_
  bool finishing_ = false;    // guarded by mutex_
  std::atomic<uint64_t> blocksWritten_{0};
  std::atomic<uint64_t> blocksOnDisk_{0};
  std::atomic<bool> abandoned_{false};
  uint64_t blocksAdded_ = 0;  // main thread
};
