#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/RecordingWriter.h"
#include "framework/Component.h"
#include "framework/Event.h"
#include "protocol/BoardProtocol.h"

// Recording from the window: every block the board sends while a recording is on, in the
// order it came, as rows of the recorder's table (`block,sample,time_s,raw,volts`; the time
// counts from the start of the recording, so a pause in measuring shows). The main thread
// puts the blocks in a queue; a writer thread writes them (TRecordingWriter), so a disk or a
// network folder that stalls delays nothing the window does. All of it but the writer runs
// on the main thread.
class TRecording : public TComponent {
 public:
  static constexpr int kRowsPerBlock = BoardProtocol::kSamplesPerBlock;

  explicit TRecording(TComponent* owner);
  // Ends a running recording and waits until every file is written and closed; a failure
  // then is no longer shown (the window is going).
  ~TRecording() override;

  // Records into `path`: CSV, or TSV for a name that ends in .tsv. The header is written at
  // once, so a recording that ends before any block leaves a table of the header alone.
  // False, after a warning box that says why, when the file can't be written or an ended
  // recording is still writing it.
  bool Start(const QString& path);
  // Ends the recording: the writer writes what is queued and closes the file; nothing waits
  // for it here.
  void Stop();
  bool Active() const { return writer_ != nullptr; }
  // The file's name without its folder; empty when not recording.
  QString FileName() const;
  // Rows handed to the file so far.
  uint64_t RowsWritten() const;
  // Whether a file is still being written: a recording runs, or an ended one's writer has
  // not closed its file yet.
  bool Writing() const;

  // The window closes: ends the recording and waits, processing messages, until every file
  // is written and closed, at most `bound`. `slow` runs once, with the files still being
  // written, when that takes longer than `patience`. A writer still waiting on its disk then is
  // given up; the answer is a text for each of their files, naming the rows that could not be
  // written.
  QStringList FinishForClosing(std::chrono::milliseconds patience, std::chrono::milliseconds bound,
                               const std::function<void(const QStringList& files)>& slow);

  // A command went out to the board: the next report starts a new answer.
  void NewAnswer() { answer_.NewAnswer(); }
  // An input report from a board; it completes a block, which is queued, or is kept until
  // the block has come.
  void TakeReport(const uint8_t* data, uint16_t size);

  // Raised when a recording started or ended, also by itself (a failed write).
  TNotifyEvent OnChange;
  // A recording could not go on: the text for the box that says why. Raised from the event
  // loop, later than the failure; unassigned, the box is shown at once.
  TEvent<void(TObject* sender, const QString& text)> OnFailure;

 private:
  void WriterFailed(TRecordingWriter& writer, const QString& reason);
  bool StillWriting(const QString& path) const;
  void ForgetFinishedWriters();
  QString Unwritten(const TRecordingWriter& writer) const;
  void Changed();

  TRecordingWriter* writer_ = nullptr;  // the running recording's, one of writers_
  std::vector<std::unique_ptr<TRecordingWriter>> writers_;  // ended ones may still write
  BoardProtocol::TAnswerAssembler answer_;
  std::chrono::steady_clock::time_point start_;
  bool closing_ = false;
  QObject context_;  // the failure boxes waiting to be shown go with it
};
