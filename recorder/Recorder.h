#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "RecorderOptions.h"
#include "StatusLine.h"
#include "framework/TableOutput.h"
#include "hid/HidDeviceController.h"
#include "protocol/BoardProtocol.h"
#include "protocol/SampleTable.h"

// The recording: finds the board (waiting for it when it isn't there), asks it for a
// block every interval, writes each block that comes back as the table's rows (one write
// per block, the header with the first), follows the board out and back in, and ends on the
// length asked for, on a stop signal, or on a failed write (with exit code 0 when the write
// failed because the reader of a pipe went away). Runs on the main thread, driven by the
// event loop.
class TRecorder {
  Q_DECLARE_TR_FUNCTIONS(TRecorder)

 public:
  using Clock = std::chrono::steady_clock;

  TRecorder(const TRecorderOptions& options, TTableOutput& output, TStatusLine& status,
            std::shared_ptr<THidPlatform> platform = SystemHidPlatform());
  ~TRecorder();
  TRecorder(const TRecorder&) = delete;
  TRecorder& operator=(const TRecorder&) = delete;

  // Looks for the board once the event loop runs; `finished` gets
  // the exit code when the recording has ended (its file closed, its summary said).
  void Start(std::function<void(int exitCode)> finished);
  // A stop signal: everything received so far is in the table; ends with exit code 0.
  void Stop();

  uint64_t Blocks() const { return blocks_; }

 private:
  void DeviceChange(TObject* sender);
  void BoardData(TCustomHidDevice* device, uint8_t reportId, const uint8_t* data, uint16_t size);
  void Tick();
  void SendCommand();
  void TakeBlock(const BoardProtocol::TSampleBlock& samples);
  bool LookForBoard();
  void LoseBoard();
  void ShowProgress();
  int64_t ElapsedMs() const;
  void Finish(int exitCode);
  void EndRecording(int exitCode);
  QString Summary() const;

  TRecorderOptions options_;
  TTableOutput& output_;
  TStatusLine& status_;
  TSampleTable table_;
  std::unique_ptr<THidDeviceController> controller_;
  THidDevice* board_ = nullptr;
  std::vector<uint8_t> command_;
  BoardProtocol::TAnswerAssembler answer_;
  QObject context_;  // lifetime of the timer's and the posted calls
  QTimer timer_;
  std::function<void(int)> finished_;

  bool recording_ = false;  // the first command has gone out
  bool finishing_ = false;
  bool toldWaiting_ = false;
  std::set<std::string> explained_;  // boards (by device instance) we can't record from
  bool toldNoAccess_ = false;
  bool toldSilent_ = false;
  Clock::time_point start_;
  Clock::time_point lastProgress_;
  uint64_t blocks_ = 0;
  uint64_t gaps_ = 0;
  int unanswered_ = 0;  // commands since the last block
  double lastVolts_ = 0;
};
