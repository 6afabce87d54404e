#include "TableOutput.h"

#include <atomic>

namespace {

std::atomic<const TTableOutputCalls*> calls{nullptr};

const TTableOutputCalls& CurrentCalls() {
  const TTableOutputCalls* set = calls.load();
  return set ? *set : SystemTableOutputCalls();
}

}  // namespace

void SetTableOutputCalls(const TTableOutputCalls* replacement) {
  calls.store(replacement);
}

std::unique_ptr<TTableOutput> TTableOutput::OpenFile(const QString& path, QString& error,
                                                     bool* fileInUse) {
  const TTableOutputCalls& system = CurrentCalls();
  if (const int problem = system.CheckWritable(path)) {
    error = system.Reason(problem);
    if (fileInUse) *fileInUse = system.InUse(problem);
    return nullptr;
  }
  return std::unique_ptr<TTableOutput>(new TTableOutput(system, TSystemHandle(), path, path));
}

std::unique_ptr<TTableOutput> TTableOutput::OpenStandardOutput(const QString& name) {
  const TTableOutputCalls& system = CurrentCalls();
  return std::unique_ptr<TTableOutput>(
      new TTableOutput(system, system.StandardOutput(), QString(), name));
}

TTableOutput::TTableOutput(const TTableOutputCalls& calls, TSystemHandle file, QString path,
                           QString name)
    : calls_(calls), file_(file), path_(std::move(path)), name_(std::move(name)) {
  diskFile_ = file_.Valid() && calls_.IsDiskFile(file_);
}

TTableOutput::~TTableOutput() {
  if (!path_.isEmpty() && file_.Valid()) calls_.Close(file_);
}

bool TTableOutput::Fail(int error) {
  readerGone_ = calls_.ReaderGone(error);
  error_ = calls_.Reason(error);
  return false;
}

bool TTableOutput::Write(const std::string& text) {
  if (!file_.Valid()) {
    // A file is made with its first piece; a closed one takes no more.
    if (path_.isEmpty() || closed_) return Fail(calls_.NotOpen());
    int error = 0;
    file_ = calls_.Create(path_, error);
    if (!file_.Valid()) return Fail(error);
    diskFile_ = calls_.IsDiskFile(file_);
  }
  // Where this piece begins, to take a part of it back. A pipe needs nothing of the kind:
  // a block's rows (about 1.2 KB) are less than what a pipe takes whole.
  int64_t start = 0;
  const bool marked = diskFile_ && calls_.Position(file_, start);
  size_t done = 0;
  while (done < text.size()) {
    int error = 0;
    const size_t written = calls_.WriteSome(file_, text.data() + done, text.size() - done, error);
    if (written > 0) {
      done += written;
      continue;
    }
    // The disk took only part of it: the table ends with the last whole piece.
    if (done > 0 && marked) calls_.CutBack(file_, start);
    return Fail(error);
  }
  return true;
}

bool TTableOutput::Flush() {
  if (!diskFile_ || !file_.Valid()) return true;
  const int error = calls_.Flush(file_);
  return error == 0 || Fail(error);
}

bool TTableOutput::Close() {
  if (path_.isEmpty() || !file_.Valid()) return true;
  const int error = calls_.Close(file_);
  file_ = TSystemHandle();
  closed_ = true;
  return error == 0 || Fail(error);
}
