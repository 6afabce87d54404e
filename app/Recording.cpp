#include "Recording.h"

#include <QFileInfo>
#include <QTimer>
#include <algorithm>

#include "framework/Dialogs.h"

namespace {

const QString kNotStarted = QStringLiteral("記録を始められませんでした。");
const QString kFolderNotWritable = QStringLiteral("保存先のフォルダーに書き込めません。");
const QString kStillWriting = QStringLiteral(
    "前の記録がまだこのファイルに書き込んでいます。少し待ってからもう一度試してください。");
const QString kRecordingEnded =
    QStringLiteral("記録できなくなりました。ファイルに書き込めません。");

QString RowsKept(uint64_t rows) {
  return QStringLiteral("それまでの %1 行はファイルに残っています。").arg(rows);
}

}  // namespace

TRecording::TRecording(TComponent* owner) : TComponent(owner) {}

TRecording::~TRecording() {
  closing_ = true;
  OnChange = {};
  Stop();
  // Every writer is finishing now; each is waited for in turn.
  writers_.clear();
}

bool TRecording::Start(const QString& path) {
  Stop();
  ForgetFinishedWriters();
  // Two writers on one file would write into each other's rows.
  if (StillWriting(path)) {
    ShowWarningBox(kNotStarted + kStillWriting + QLatin1Char('\n') + path);
    return false;
  }
  QString reason;
  std::unique_ptr<TTableOutput> output = TTableOutput::OpenFile(path, reason);
  if (!output) {
    ShowWarningBox(kNotStarted + kFolderNotWritable + QLatin1Char('\n') + path +
                   QStringLiteral("\n(") + reason + QLatin1Char(')'));
    return false;
  }
  const TSampleTable::TFormat format = path.endsWith(QLatin1String(".tsv"), Qt::CaseInsensitive)
                                           ? TSampleTable::TFormat::Tsv
                                           : TSampleTable::TFormat::Csv;
  answer_.NewAnswer();
  start_ = std::chrono::steady_clock::now();
  writers_.push_back(std::make_unique<TRecordingWriter>(
      std::move(output), format,
      [this](TRecordingWriter& writer, const QString& why) { WriterFailed(writer, why); }));
  writer_ = writers_.back().get();
  Changed();
  return true;
}

void TRecording::Stop() {
  if (!writer_) return;
  writer_->Finish();
  writer_ = nullptr;
  ForgetFinishedWriters();
  Changed();
}

QString TRecording::FileName() const {
  return writer_ ? QFileInfo(writer_->FileName()).fileName() : QString();
}

uint64_t TRecording::RowsWritten() const {
  return writer_ ? writer_->BlocksWritten() * kRowsPerBlock : 0;
}

bool TRecording::Writing() const {
  return std::any_of(writers_.begin(), writers_.end(),
                     [](const auto& writer) { return !writer->Finished(); });
}

void TRecording::TakeReport(const uint8_t* data, uint16_t size) {
  if (!writer_) return;
  BoardProtocol::TSampleBlock samples;
  if (!answer_.Take(data, size, samples)) return;
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  writer_->Add({std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), samples});
}

void TRecording::WriterFailed(TRecordingWriter& writer, const QString& reason) {
  if (closing_) return;
  if (&writer == writer_) {
    writer_ = nullptr;
    Changed();
  }
  QString text = kRecordingEnded + QLatin1Char('\n') + writer.FileName() + QStringLiteral("\n(") +
                 reason + QLatin1Char(')');
  if (const uint64_t rows = writer.BlocksWritten() * kRowsPerBlock)
    text += QLatin1Char('\n') + RowsKept(rows);
  // Shown from the event loop: the writer waits for this call to return before it ends.
  QTimer::singleShot(0, &context_, [text] { ShowWarningBox(text); });
}

bool TRecording::StillWriting(const QString& path) const {
  // By the names alone: asking the disk (which may be the one that stalls) is what the
  // writers are there to spare the main thread. A name that differs only in case counts as
  // the same, as it does on some disks.
  const QString file = QFileInfo(path).absoluteFilePath();
  return std::any_of(writers_.begin(), writers_.end(), [&](const auto& writer) {
    return !writer->Finished() &&
           QFileInfo(writer->FileName()).absoluteFilePath().compare(file, Qt::CaseInsensitive) == 0;
  });
}

void TRecording::ForgetFinishedWriters() {
  // A finished writer's thread has ended; waiting for it returns at once.
  std::erase_if(writers_, [this](const std::unique_ptr<TRecordingWriter>& writer) {
    return writer.get() != writer_ && writer->Finished();
  });
}

void TRecording::Changed() {
  if (OnChange) OnChange(this);
}
