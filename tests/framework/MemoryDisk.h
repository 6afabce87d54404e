#pragma once

#include <QString>
#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/TableOutput.h"

// A disk in memory beneath TTableOutput, for the output's own logic and for what is written
// through it: files by name, a capacity shared by all of them, writes that take at most a
// few bytes at a time, a hook that runs before every write (to stall it), and failures on
// request. Any thread may write; the test reads under the same lock.
class TMemoryDisk : public TTableOutputCalls {
 public:
  static constexpr int kDiskFull = 28;
  static constexpr int kNotOpen = 9;
  static constexpr int kReaderGone = 32;
  static constexpr int kNoFolder = 2;
  static constexpr int kFlushFailed = 5;
  static constexpr int kInUse = 16;

  // Set before the writing starts.
  size_t capacity = std::numeric_limits<size_t>::max();
  size_t largestWrite = std::numeric_limits<size_t>::max();
  int writeError = 0;  // every write fails with this, when set
  // Flushes and closes fail with these from when they are set (at any time).
  std::atomic<int> flushError{0};
  std::atomic<int> closeError{0};
  std::function<void()> beforeWrite;  // on the writing thread

  // Names of folders that do not exist: a file in one can't be made.
  std::vector<QString> missingFolders;
  // Files another program holds open: they can't be written.
  std::vector<QString> filesInUse;

  std::string Contents(const QString& path) const {
    std::lock_guard lock(mutex_);
    const auto file = byPath_.find(path);
    return file == byPath_.end() ? std::string() : files_[file->second].data;
  }
  bool Exists(const QString& path) const {
    std::lock_guard lock(mutex_);
    return byPath_.count(path) != 0;
  }
  // How much of the file had reached the disk at its last flush.
  size_t Flushed(const QString& path) const {
    std::lock_guard lock(mutex_);
    const auto file = byPath_.find(path);
    return file == byPath_.end() ? 0 : files_[file->second].flushed;
  }
  bool Open(const QString& path) const {
    std::lock_guard lock(mutex_);
    const auto file = byPath_.find(path);
    return file != byPath_.end() && files_[file->second].open;
  }

  int CheckWritable(const QString& path) const override {
    if (std::find(filesInUse.begin(), filesInUse.end(), path) != filesInUse.end()) return kInUse;
    return InMissingFolder(path) ? kNoFolder : 0;
  }
  TSystemHandle Create(const QString& path, int& error) const override {
    if (InMissingFolder(path)) {
      error = kNoFolder;
      return TSystemHandle();
    }
    std::lock_guard lock(mutex_);
    TFile fresh;
    fresh.open = true;
    if (const auto old = byPath_.find(path); old != byPath_.end()) {
      files_[old->second] = fresh;  // emptied
      return TSystemHandle::FromDescriptor(old->second);
    }
    files_.push_back(fresh);
    byPath_[path] = static_cast<int>(files_.size() - 1);
    return TSystemHandle::FromDescriptor(static_cast<int>(files_.size() - 1));
  }
  // Standard output is the file "(standard output)".
  TSystemHandle StandardOutput() const override {
    int error = 0;
    return Create(QStringLiteral("(standard output)"), error);
  }
  bool IsDiskFile(TSystemHandle) const override { return true; }
  bool Position(TSystemHandle file, int64_t& offset) const override {
    std::lock_guard lock(mutex_);
    offset = static_cast<int64_t>(files_[file.Descriptor()].data.size());
    return true;
  }
  size_t WriteSome(TSystemHandle file, const char* data, size_t size, int& error) const override {
    if (beforeWrite) beforeWrite();
    std::lock_guard lock(mutex_);
    if (writeError) {
      error = writeError;
      return 0;
    }
    const size_t room = capacity - std::min(capacity, Used());
    const size_t taken = std::min({size, room, largestWrite});
    if (taken == 0) {
      error = kDiskFull;
      return 0;
    }
    files_[file.Descriptor()].data.append(data, taken);
    return taken;
  }
  void CutBack(TSystemHandle file, int64_t offset) const override {
    std::lock_guard lock(mutex_);
    files_[file.Descriptor()].data.resize(static_cast<size_t>(offset));
  }
  int Flush(TSystemHandle file) const override {
    std::lock_guard lock(mutex_);
    if (const int error = flushError.load()) return error;
    files_[file.Descriptor()].flushed = files_[file.Descriptor()].data.size();
    return 0;
  }
  int Close(TSystemHandle file) const override {
    std::lock_guard lock(mutex_);
    const int error = closeError.load();
    files_[file.Descriptor()].open = false;  // a test may let the disk go once it sees this
    return error;
  }
  bool ReaderGone(int error) const override { return error == kReaderGone; }
  bool InUse(int error) const override { return error == kInUse; }
  int NotOpen() const override { return kNotOpen; }
  QString Reason(int error) const override {
    switch (error) {
      case kDiskFull:
        return QStringLiteral("No space left on device");
      case kNoFolder:
        return QStringLiteral("No such file or directory");
      case kInUse:
        return QStringLiteral("The file is being used by another process");
      default:
        return QStringLiteral("error %1").arg(error);
    }
  }

 private:
  struct TFile {
    std::string data;
    size_t flushed = 0;
    bool open = false;
  };
  bool InMissingFolder(const QString& path) const {
    return std::any_of(missingFolders.begin(), missingFolders.end(),
                       [&](const QString& folder) { return path.startsWith(folder + '/'); });
  }
  size_t Used() const {
    size_t used = 0;
    for (const TFile& file : files_) used += file.data.size();
    return used;
  }

  mutable std::mutex mutex_;
  mutable std::vector<TFile> files_;
  mutable std::map<QString, int> byPath_;
};

// Puts a memory disk beneath every output opened while it lives.
class TMemoryDiskInPlace {
 public:
  explicit TMemoryDiskInPlace(TMemoryDisk& disk) { SetTableOutputCalls(&disk); }
  ~TMemoryDiskInPlace() { SetTableOutputCalls(nullptr); }
  TMemoryDiskInPlace(const TMemoryDiskInPlace&) = delete;
  TMemoryDiskInPlace& operator=(const TMemoryDiskInPlace&) = delete;
};
