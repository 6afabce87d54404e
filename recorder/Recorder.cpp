#include "Recorder.h"

#include <QTimer>
#include <cstdio>

#include "DeviceListing.h"
#include "protocol/BoardProtocol.h"

namespace {

// A progress line more often than this would cost more than the recording itself.
constexpr auto kProgressEvery = std::chrono::milliseconds(250);
// After this many commands without an answer the user hears that the board is silent.
constexpr int kSilentAfterCommands = 20;

QString Decimals(double value, int decimals) {
  return QString::number(value, 'f', decimals);
}

}  // namespace

TRecorder::TRecorder(const TRecorderOptions& options, TTableOutput& output, TStatusLine& status,
                     std::shared_ptr<THidPlatform> platform)
    : options_(options),
      output_(output),
      status_(status),
      table_(options.format),
      controller_(std::make_unique<THidDeviceController>(nullptr, std::move(platform))) {
  // The board alone is opened for reading and writing (where that matters, Windows).
  controller_->SetUsedDevices({{BoardProtocol::kVendorId, BoardProtocol::kProductId}});
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(options_.intervalMs);
  QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { Tick(); });
}

TRecorder::~TRecorder() {
  timer_.stop();
  delete board_;  // gives it back, which stops its reader
  board_ = nullptr;
}

void TRecorder::Start(std::function<void(int)> finished) {
  finished_ = std::move(finished);
  if (!controller_->Bound()) {
    status_.Say(tr("cannot look for the board: the device services (libudev) are missing"));
    Finish(1);
    return;
  }
  // The handler is set as the owner's definition would set it: the first pass then runs
  // from the event loop.
  controller_->SetLoading(true);
  controller_->SetOnDeviceChange(TNotifyEvent::Bind<&TRecorder::DeviceChange>(this));
  controller_->SetLoading(false);
}

void TRecorder::Stop() {
  Finish(0);
}

// ---- The board ----

void TRecorder::DeviceChange(TObject*) {
  if (finishing_) return;
  if (board_ && !board_->Attached()) LoseBoard();
  if (finishing_ || board_) return;
  if (LookForBoard()) return;
  if (options_.noWait && !recording_) {
    if (!toldNoAccess_)
      status_.Say(tr("no experiment board (vendor 0x21CF, product 0x0004) is plugged in"));
    Finish(1);
    return;
  }
  if (!recording_ && !toldWaiting_) {
    toldWaiting_ = true;
    status_.Say(
        tr("waiting for the experiment board (vendor 0x21CF, product 0x0004) to be "
           "plugged in..."));
  }
}

bool TRecorder::LookForBoard() {
  const std::vector<THidDevice*>& list = controller_->DeviceList();
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    THidDevice* device = list[i];
    const THidAttributes id = device->Identity();
    if (device->Claimed() || !BoardProtocol::IsBoard(id.VendorID, id.ProductID)) continue;
    const std::string node = device->InterfaceInfo().InterfacePath;
    const std::string instance = device->InterfaceInfo().DeviceInstance;
    // Each board is explained once: what is said stays true until it is plugged in again.
    if (explained_.contains(instance)) continue;
    if (!device->CanReadWrite()) {
      explained_.insert(instance);
      toldNoAccess_ = true;
      status_.Say(NoAccessAdvice(QString::fromStdString(node), device->AccessRemedy()));
      continue;
    }
    TCustomHidDevice* claimed = nullptr;
    if (!controller_->ClaimDeviceAt(i, claimed)) continue;
    board_ = static_cast<THidDevice*>(claimed);
    const THidPCaps caps = board_->Capabilities();
    // Without room for the command value, or without an answer to read, it is no board
    // we can record from.
    if (caps.OutputReportByteLength < 2 || caps.InputReportByteLength < 2) {
      explained_.insert(instance);
      status_.Say(tr("%1 has the board's identity but not its reports; it is left alone")
                      .arg(QString::fromStdString(node)));
      delete board_;  // given back: an unclaimed object takes its place in the list
      board_ = nullptr;
      continue;
    }
    command_ = BoardProtocol::CommandReport(caps.OutputReportByteLength);
    answer_.NewAnswer();
    unanswered_ = 0;
    toldSilent_ = false;
    board_->SetOnInputReport(THidDataEvent::Bind<&TRecorder::BoardData>(this));
    if (recording_) {
      status_.Say(tr("the board is back at %1; recording goes on with block %2")
                      .arg(QString::fromStdString(node))
                      .arg(blocks_));
    } else {
      status_.Say(tr("recording from the board at %1 to %2")
                      .arg(QString::fromStdString(node), output_.Name()));
      recording_ = true;
      start_ = Clock::now();
      lastProgress_ = start_;
      timer_.start();
    }
    SendCommand();
    return true;
  }
  return false;
}

void TRecorder::LoseBoard() {
  delete board_;  // detached already: it leaves the controller's list
  board_ = nullptr;
  answer_.NewAnswer();
  ++gaps_;
  if (options_.exitOnUnplug) {
    status_.Say(tr("the board was unplugged after block %1; recording ends").arg(blocks_));
    Finish(1);
    return;
  }
  status_.Say(
      tr("the board was unplugged after block %1; waiting for it to come back...").arg(blocks_));
}

// ---- The cycle ----

void TRecorder::Tick() {
  if (finishing_) return;
  if (options_.seconds && ElapsedMs() >= *options_.seconds * 1000) {
    Finish(0);
    return;
  }
  if (board_ && board_->Attached()) SendCommand();
  ShowProgress();
}

void TRecorder::SendCommand() {
  answer_.NewAnswer();
  uint32_t written = 0;
  // A failed write means the board is going; the controller's pass will say so.
  if (!board_->WriteReport(command_.data(), static_cast<uint32_t>(command_.size()), written))
    return;
  if (++unanswered_ > kSilentAfterCommands && !toldSilent_) {
    toldSilent_ = true;
    status_.Say(tr("the board does not answer; still asking"));
  }
}

void TRecorder::BoardData(TCustomHidDevice*, uint8_t, const uint8_t* data, uint16_t size) {
  if (finishing_) return;
  BoardProtocol::TSampleBlock samples;
  if (answer_.Take(data, size, samples)) TakeBlock(samples);
}

void TRecorder::TakeBlock(const BoardProtocol::TSampleBlock& samples) {
  // The header goes with the first block: a recording that gets none writes nothing.
  std::string piece = blocks_ == 0 ? table_.Header() : std::string();
  piece += table_.BlockRows(blocks_, ElapsedMs(), samples);
  if (!output_.Write(piece)) {
    // A reader that has read enough (`| head`) ends a pipeline as it should: quietly.
    if (output_.ReaderGone()) {
      Finish(0);
      return;
    }
    status_.Say(tr("cannot write to %1: %2").arg(output_.Name(), output_.Error()));
    Finish(1);
    return;
  }
  ++blocks_;
  unanswered_ = 0;
  lastVolts_ = BoardProtocol::VoltsFromRaw(samples.back());
  if (options_.blocks && blocks_ >= *options_.blocks) Finish(0);
}

int64_t TRecorder::ElapsedMs() const {
  if (!recording_) return 0;
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
}

void TRecorder::ShowProgress() {
  if (!status_.Terminal()) return;
  const Clock::time_point now = Clock::now();
  if (now - lastProgress_ < kProgressEvery) return;
  lastProgress_ = now;
  const double seconds = ElapsedMs() / 1000.0;
  const double rate = seconds > 0 ? blocks_ / seconds : 0;
  status_.Progress(tr("%1 s  %2 blocks  %3 blocks/s  last %4 V%5")
                       .arg(Decimals(seconds, 1))
                       .arg(blocks_)
                       .arg(Decimals(rate, 1))
                       .arg(Decimals(lastVolts_, 4))
                       .arg(board_ ? QString() : tr("  (waiting for the board)")));
}

// ---- The end ----

void TRecorder::Finish(int exitCode) {
  if (finishing_) return;
  finishing_ = true;
  timer_.stop();
  // Not here and now: this may run inside the board's own delivery, which its reader waits
  // for, and giving the board back waits for the reader.
  QTimer::singleShot(0, &context_, [this, exitCode] { EndRecording(exitCode); });
}

void TRecorder::EndRecording(int exitCode) {
  delete board_;
  board_ = nullptr;
  if (!output_.Close()) {
    status_.Say(tr("cannot write to %1: %2").arg(output_.Name(), output_.Error()));
    exitCode = 1;
  }
  status_.Say(Summary());
  if (finished_) finished_(exitCode);
}

QString TRecorder::Summary() const {
  return tr("blocks: %1, samples: %2, seconds: %3, gaps: %4")
      .arg(blocks_)
      .arg(blocks_ * BoardProtocol::kSamplesPerBlock)
      .arg(QString::fromStdString(TSampleTable::Seconds(ElapsedMs())))
      .arg(gaps_);
}
