#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/RunFile.h"
#include "app/RunStore.h"

class QWidget;
class TRunFileThread;

// A recording opened from a file: read by a thread of its own (TRunFileReader), with a
// non-modal progress window and its cancel button, while the window goes on. The result comes
// on the main thread; a cancel drops what was read and brings nothing.
class TRunOpening {
 public:
  // What came of a file: a run (numbered 0, its file name set), or the text that says why not.
  struct TResult {
    std::unique_ptr<TRun> run;
    QString error;
  };
  using TDone = std::function<void(TResult result)>;

  // `maxBytes`: the memory a run may take at most (the store's limit).
  explicit TRunOpening(size_t maxBytes);
  ~TRunOpening();  // cancels what is being read
  TRunOpening(const TRunOpening&) = delete;
  TRunOpening& operator=(const TRunOpening&) = delete;

  // Starts reading `path`; `done` runs from the event loop once it has ended, unless it was
  // cancelled first. The progress window belongs to `parent`. Nothing while one is read.
  void Start(const QString& path, QWidget* parent, TDone done);
  bool Busy() const { return thread_ != nullptr; }
  // Stops the reading at once; what was read is dropped, and the thread ends by itself.
  void Cancel();
  // The progress window while one is read (for tests), or null.
  QProgressDialog* ProgressWindow() const { return progress_; }

  // Tests: runs on the reading thread after each piece, with the bytes read so far.
  static void SetPieceHook(std::function<void(uint64_t bytesRead)> hook);

  // "run.csv, line 12: …": why a file can't be opened, for a box.
  static QString ProblemText(const QString& fileName, const TRunFileProblem& problem,
                             size_t maxBytes);
  // Why a run is not kept: more than `maxBytes`.
  static QString TooBigText(size_t maxBytes);

 private:
  void Ended();
  void ShowProgress();
  void Finish();
  void CloseProgress();
  void ForgetStopped();

  size_t maxBytes_;
  std::unique_ptr<TRunFileThread> thread_;
  // Cancelled readers still ending.
  std::vector<std::unique_ptr<TRunFileThread>> stopping_;
  QPointer<QProgressDialog> progress_;
  QTimer progressTimer_;
  QObject context_;  // what the result's delivery belongs to
  TDone done_;
  QString fileName_;
};
