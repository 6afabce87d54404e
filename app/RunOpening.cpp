#include "RunOpening.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>
#include <chrono>
#include <vector>

#include "framework/MainThreadCall.h"
#include "framework/Thread.h"
#include "framework/Translations.h"

namespace {

// Pieces of a megabyte: a cancel is noticed within a few milliseconds, and the memory the
// reading takes beyond the run's own stays small.
constexpr qint64 kPieceBytes = 1 << 20;
constexpr int kProgressSteps = 1000;
constexpr int kProgressEveryMs = 100;
// A quick file shows no progress window at all.
constexpr int kProgressAfterMs = 300;
constexpr int kStopPatienceMs = 2000;

std::function<void(uint64_t)>& PieceHook() {
  static std::function<void(uint64_t)> hook;
  return hook;
}

QString Tr(const char* text) {
  InstallTranslations(QStringLiteral("simplescope"));
  return QCoreApplication::translate("simplescope", text);
}

QString Field(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// Reads the file piece by piece into a run of its own, which only the main thread takes once
// the reading has ended.
class TRunFileThread : public TThread {
 public:
  TRunFileThread(QString path, size_t maxBytes, std::function<void()> ended)
      : path_(std::move(path)), maxBytes_(maxBytes), ended_(std::move(ended)) {
    // A file keeps no start of its own: when it was made, where the system knows it.
    const QFileInfo info(path_);
    const QDateTime made = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    if (made.isValid())
      run = std::make_unique<TRun>(0, std::chrono::system_clock::time_point(
                                          std::chrono::milliseconds(made.toMSecsSinceEpoch())));
  }
  ~TRunFileThread() override {
    // Stopped here, while the members it uses are still there.
    Terminate();
    WaitFor();
  }

  std::atomic<uint64_t> bytesRead{0};
  uint64_t size = 0;
  std::unique_ptr<TRun> run = std::make_unique<TRun>(0, std::chrono::system_clock::now());
  TRunFileProblem problem;
  QString systemError;  // the file could not be read: the system's words

 protected:
  void Execute() override {
    Read();
    if (Terminated())
      run.reset();  // a cancel drops what was read, at once
    else
      Synchronize(ended_);
  }

 private:
  void Read() {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
      systemError = file.errorString();
      return;
    }
    size = static_cast<uint64_t>(std::max<qint64>(file.size(), 0));
    TRunFileReader reader(*run, maxBytes_);
    std::vector<char> piece(kPieceBytes);
    for (;;) {
      if (Terminated()) return;
      const qint64 got = file.read(piece.data(), kPieceBytes);
      if (got < 0) {
        systemError = file.errorString();
        return;
      }
      if (got == 0) break;
      bytesRead += static_cast<uint64_t>(got);
      if (!reader.Take(std::string_view(piece.data(), static_cast<size_t>(got)))) break;
      if (PieceHook()) PieceHook()(bytesRead);
    }
    reader.Finish();
    problem = reader.Problem();
  }

  QString path_;
  size_t maxBytes_;
  std::function<void()> ended_;
};

TRunOpening::TRunOpening(size_t maxBytes) : maxBytes_(maxBytes) {
  progressTimer_.setInterval(kProgressEveryMs);
  QObject::connect(&progressTimer_, &QTimer::timeout, [this] { ShowProgress(); });
}

TRunOpening::~TRunOpening() {
  Cancel();
  // A read that a stalled file server holds would hold the window's closing: given a while,
  // then left to end by itself, its object kept for the process's life.
  for (std::unique_ptr<TRunFileThread>& thread : stopping_) {
    TRunFileThread* reader = thread.get();
    if (MainThreadCall::ServeUntil([reader] { return reader->Finished(); }, kStopPatienceMs))
      continue;
    reader->Abandon();
    static_cast<void>(thread.release());
  }
}

void TRunOpening::ForgetStopped() {
  std::erase_if(stopping_,
                [](const std::unique_ptr<TRunFileThread>& thread) { return thread->Finished(); });
}

void TRunOpening::SetPieceHook(std::function<void(uint64_t bytesRead)> hook) {
  PieceHook() = std::move(hook);
}

void TRunOpening::Start(const QString& path, QWidget* parent, TDone done) {
  if (Busy()) return;
  ForgetStopped();
  done_ = std::move(done);
  fileName_ = QFileInfo(path).fileName();
  thread_ = std::make_unique<TRunFileThread>(path, maxBytes_, [this] { Ended(); });
  // Not modal: the window and measuring go on while the file is read.
  progress_ = new QProgressDialog(parent);
  InstallQtTranslations();  // its "Cancel"
  progress_->setWindowModality(Qt::NonModal);
  progress_->setWindowTitle(Tr(QT_TRANSLATE_NOOP("simplescope", "Open recording")));
  progress_->setLabelText(Tr(QT_TRANSLATE_NOOP("simplescope", "Opening %1…")).arg(fileName_));
  progress_->setRange(0, kProgressSteps);
  progress_->setMinimumDuration(kProgressAfterMs);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  QObject::connect(progress_, &QProgressDialog::canceled, &context_, [this] { Cancel(); });
  progress_->setValue(0);
  progressTimer_.start();
  thread_->Start();
}

void TRunOpening::ShowProgress() {
  if (!thread_ || !progress_) return;
  const uint64_t size = thread_->size;
  const uint64_t read = thread_->bytesRead;
  if (size > 0)
    progress_->setValue(static_cast<int>(std::min<uint64_t>(read, size) * kProgressSteps / size));
}

void TRunOpening::Ended() {
  // Inside the hand-over: the thread is still there, so the rest waits for the event loop.
  QMetaObject::invokeMethod(
      &context_, [this] { Finish(); }, Qt::QueuedConnection);
}

void TRunOpening::Finish() {
  ForgetStopped();
  if (!thread_) return;  // cancelled meanwhile
  thread_->WaitFor();
  std::unique_ptr<TRunFileThread> thread = std::move(thread_);
  progressTimer_.stop();
  CloseProgress();
  TResult result;
  if (!thread->systemError.isEmpty()) {
    result.error = Tr(QT_TRANSLATE_NOOP("simplescope", "%1 could not be read: %2"))
                       .arg(fileName_, thread->systemError);
  } else if (thread->problem.Error != TRunFileError::None) {
    result.error = ProblemText(fileName_, thread->problem, maxBytes_);
  } else {
    result.run = std::move(thread->run);
    result.run->SetFileName(fileName_.toStdString());
  }
  TDone done = std::move(done_);
  done_ = nullptr;
  if (done) done(std::move(result));
}

void TRunOpening::Cancel() {
  if (!thread_) return;
  // Not waited for: a piece the system is still reading (a slow file server) would hold the
  // window. The thread drops its run as it ends and hands nothing over.
  thread_->Terminate();
  stopping_.push_back(std::move(thread_));
  progressTimer_.stop();
  CloseProgress();
  done_ = nullptr;
}

void TRunOpening::CloseProgress() {
  // Later: a cancel comes from inside the window's own signal.
  if (!progress_) return;
  progress_->hide();
  progress_->deleteLater();
  progress_ = nullptr;
}

QString TRunOpening::ProblemText(const QString& fileName, const TRunFileProblem& problem,
                                 size_t maxBytes) {
  const QString column = Field(problem.Column);
  const QString text = Field(problem.Text);
  QString why;
  switch (problem.Error) {
    case TRunFileError::None:
    case TRunFileError::Empty:
      why = Tr(QT_TRANSLATE_NOOP("simplescope", "the file is empty."));
      break;
    case TRunFileError::NotATable:
      why = Tr(QT_TRANSLATE_NOOP("simplescope", "this is not a table of samples."));
      break;
    case TRunFileError::UnknownHeader:
      why = Tr(QT_TRANSLATE_NOOP("simplescope",
                                 "the header is neither a recording's "
                                 "(block,sample,time_s,raw,volts) nor saved values' "
                                 "(sample,volts): \"%1\"."))
                .arg(text);
      break;
    case TRunFileError::FieldCount:
      why = Tr(QT_TRANSLATE_NOOP("simplescope",
                                 "the row has not as many fields as the header: \"%1\"."))
                .arg(text);
      break;
    case TRunFileError::NotANumber:
      why = Tr(QT_TRANSLATE_NOOP("simplescope", "%1 is not a number: \"%2\".")).arg(column, text);
      break;
    case TRunFileError::NotFinite:
      why = Tr(QT_TRANSLATE_NOOP("simplescope", "%1 is not a finite number: \"%2\"."))
                .arg(column, text);
      break;
    case TRunFileError::OutOfRange:
      why = Tr(QT_TRANSLATE_NOOP("simplescope", "%1 is out of range: \"%2\".")).arg(column, text);
      break;
    case TRunFileError::VoltsDisagree:
      why = Tr(QT_TRANSLATE_NOOP("simplescope",
                                 "volts are not (raw - 512) / 102.4 of the row's raw: \"%1\"."))
                .arg(text);
      break;
    case TRunFileError::BlockOrder:
      why = Tr(QT_TRANSLATE_NOOP("simplescope",
                                 "the block number is lower than the one before: \"%1\"."))
                .arg(text);
      break;
    case TRunFileError::SampleOrder:
      why = Tr(QT_TRANSLATE_NOOP("simplescope",
                                 "the sample number does not follow the one before: \"%1\"."))
                .arg(text);
      break;
    case TRunFileError::NoRows:
      why = Tr(QT_TRANSLATE_NOOP("simplescope", "the table has no rows."));
      break;
    case TRunFileError::TooBig:
      why = TooBigText(maxBytes);
      break;
  }
  const QString where =
      problem.Line > 0
          ? Tr(QT_TRANSLATE_NOOP("simplescope", "%1, line %2: "))
                .arg(fileName, QLocale().toString(static_cast<qulonglong>(problem.Line)))
          : fileName + QStringLiteral(": ");
  return Tr(QT_TRANSLATE_NOOP("simplescope", "The recording could not be opened.")) +
         QLatin1Char('\n') + where + why;
}

QString TRunOpening::TooBigText(size_t maxBytes) {
  return Tr(QT_TRANSLATE_NOOP("simplescope",
                              "the run is more than the %1 MB of memory kept for runs."))
      .arg(maxBytes / 1'000'000);
}
