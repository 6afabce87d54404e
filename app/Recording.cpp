#include "Recording.h"

#include <QFileInfo>
#include <QTimer>

#include "framework/Dialogs.h"

namespace {

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

bool TRecording::Start(const QString& path, QString& reason) {
  Stop();
  ForgetFinishedWriters();
  std::unique_ptr<TTableOutput> output = TTableOutput::OpenFile(path, reason);
  if (!output) return false;
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

void TRecording::ForgetFinishedWriters() {
  // A finished writer's thread has ended; waiting for it returns at once.
  std::erase_if(writers_, [this](const std::unique_ptr<TRecordingWriter>& writer) {
    return writer.get() != writer_ && writer->Finished();
  });
}

void TRecording::Changed() {
  if (OnChange) OnChange(this);
}
