#include "Recording.h"

#include <QFileInfo>
#include <QTimer>
#include <algorithm>

#include "framework/Dialogs.h"
#include "framework/MessageWait.h"

namespace {

const QString kNotStarted = QStringLiteral("記録を始められませんでした。");
const QString kFolderNotWritable = QStringLiteral("保存先のフォルダーに書き込めません。");
const QString kFileInUse = QStringLiteral(
    "ファイルが他のプログラムで開かれています。そのプログラムでファイルを閉じてから、もう一度試して"
    "ください。");
const QString kStillWriting = QStringLiteral(
    "前の記録がまだこのファイルに書き込んでいます。少し待ってからもう一度試してください。");
const QString kRecordingEnded =
    QStringLiteral("記録できなくなりました。ファイルに書き込めません。");

const QString kNotFinished =
    QStringLiteral("記録を最後まで書き込めませんでした。保存先が応答しません。");

QString RowsKept(uint64_t rows) {
  return QStringLiteral("それまでの %1 行はファイルに残っています。").arg(rows);
}

QString RowsLost(uint64_t firstBlock, uint64_t lastBlock, uint64_t rows) {
  return QStringLiteral("ブロック %1〜%2 の %3 行は書き込めませんでした。")
      .arg(firstBlock)
      .arg(lastBlock)
      .arg(rows);
}

// The writers given up at closing: their threads may still use them, so they are kept for
// the process's life (and stay reachable, which leak checkers take as kept on purpose).
std::vector<TRecordingWriter*>& AbandonedWriters() {
  static auto* writers = new std::vector<TRecordingWriter*>;
  return *writers;
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
  bool inUse = false;
  std::unique_ptr<TTableOutput> output = TTableOutput::OpenFile(path, reason, &inUse);
  if (!output) {
    ShowWarningBox(kNotStarted + (inUse ? kFileInUse : kFolderNotWritable) + QLatin1Char('\n') +
                   path + QStringLiteral("\n(") + reason + QLatin1Char(')'));
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
  // Only what a flush brought to the disk: a file server may lose what it took after that.
  if (const uint64_t rows = writer.BlocksOnDisk() * kRowsPerBlock)
    text += QLatin1Char('\n') + RowsKept(rows);
  // Said from the event loop: the writer waits for this call to return before it ends.
  QTimer::singleShot(0, &context_, [this, text] {
    if (OnFailure)
      OnFailure(this, text);
    else
      ShowWarningBox(text);
  });
}

QStringList TRecording::FinishForClosing(std::chrono::milliseconds patience,
                                         std::chrono::milliseconds bound,
                                         const std::function<void(const QStringList&)>& slow) {
  Stop();
  const uint32_t began = TickCount();
  bool saidSlow = false;
  while (Writing()) {
    const uint32_t waited = TickCount() - began;
    if (waited >= bound.count()) break;
    if (!saidSlow && waited >= patience.count()) {
      saidSlow = true;
      QStringList files;
      for (const auto& writer : writers_)
        if (!writer->Finished()) files << writer->FileName();
      if (slow) slow(files);
    }
    WaitMs(std::min<uint32_t>(20, static_cast<uint32_t>(bound.count()) - waited));
  }
  QStringList unwritten;
  for (std::unique_ptr<TRecordingWriter>& writer : writers_) {
    if (writer->Finished()) continue;
    unwritten << Unwritten(*writer);
    writer->Abandon();
    AbandonedWriters().push_back(writer.release());
  }
  std::erase(writers_, nullptr);
  return unwritten;
}

QString TRecording::Unwritten(const TRecordingWriter& writer) const {
  const uint64_t added = writer.BlocksAdded();
  const uint64_t onDisk = std::min(writer.BlocksOnDisk(), added);
  QStringList lines{kNotFinished, writer.FileName()};
  if (added > onDisk) lines << RowsLost(onDisk, added - 1, (added - onDisk) * kRowsPerBlock);
  if (onDisk > 0) lines << RowsKept(onDisk * kRowsPerBlock);
  return lines.join(QLatin1Char('\n'));
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
