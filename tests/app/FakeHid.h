#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/Thread.h"
#include "hid/CustomHidDeviceController.h"

// Stand-ins for the HID layer: a controller over a set of plugged fake interfaces, and
// devices that answer like the board, from a worker thread through the main-thread
// hand-over, so answers arrive only while the main thread processes messages.

using TReport = std::vector<uint8_t>;  // byte 0 is the report id

struct TFakeInterface {
  THidAttributes identity;
  uint16_t outputReportByteLength = 9;
  uint16_t inputReportByteLength = 65;
  // Sent back, report by report, for every output report whose first command byte is 3.
  std::vector<TReport> answer;
  bool writeFails = false;
  // The answer is there before the write returns (a board quicker than the wait), and the
  // writes are not kept: for runs of many hours' worth of ticks.
  bool answerAtOnce = false;
  bool readWrite = true;  // false: no permission on the node, queries only
  THidAccessRemedy accessRemedy = THidAccessRemedy::CheckPermissions;
  int instance = 0;  // who it is across passes; given by Plug
};

// The board's answer to one command: 32 samples, little-endian, in one 64-byte report.
TReport SampleBlock(const std::vector<uint16_t>& samples);
TFakeInterface FakeBoard(std::vector<TReport> answer = {});

class TFakeHidDeviceController;
class TFakeAnswerThread;

class TFakeHidDevice : public TCustomHidDevice {
 public:
  TFakeHidDevice(const TFakeInterface& iface, TFakeHidDeviceController* controller);
  ~TFakeHidDevice() override;

  THidAttributes Identity() const override { return iface_.identity; }
  void SetInputBufferCount(int count) override { inputBufferCount = count; }
  void SetReadBufferCount(int count) override { readBufferCount = count; }
  THidPCaps Capabilities() override;
  bool CanReadWrite() const override { return iface_.readWrite; }
  THidAccessRemedy AccessRemedy() const override { return iface_.accessRemedy; }
  bool WriteReport(const uint8_t* buffer, uint32_t toWrite, uint32_t& written) override;
  THidDataEvent OnInputReport() const override { return onInputReport_; }
  void SetOnInputReport(THidDataEvent handler) override { onInputReport_ = handler; }

  void SetAnswer(std::vector<TReport> answer) { iface_.answer = std::move(answer); }
  // An input report the device sends on its own.
  void SendInputReport(const TReport& report);

  const TFakeInterface& Interface() const { return iface_; }
  std::vector<TReport> written;
  std::vector<std::chrono::steady_clock::time_point> writeTimes;  // one per written report
  // Runs on the writing (main) thread after each kept write: inside a tick, before its wait.
  std::function<void()> afterWrite;
  int inputBufferCount = 0;
  int readBufferCount = 0;
  bool claimed = false;
  bool attached = true;
  TFakeHidDeviceController* controller;

 private:
  friend class TFakeAnswerThread;
  void Deliver(const TReport& report);

  TFakeInterface iface_;
  THidDataEvent onInputReport_;
  std::unique_ptr<TFakeAnswerThread> answers_;
};

class TFakeHidDeviceController : public TCustomHidDeviceController {
 public:
  explicit TFakeHidDeviceController(TComponent* owner = nullptr);
  ~TFakeHidDeviceController() override;

  // Changes the set of plugged interfaces; the list follows at the next pass.
  int Plug(TFakeInterface iface);
  void Unplug(int instance);
  // One pass: detaches what went away, lists what came, raises OnDeviceChange.
  void DeviceChange();

  bool ClaimDevice(TCustomHidDevice*& device) override;
  bool ClaimDeviceAt(int index, TCustomHidDevice*& device) override;
  TNotifyEvent OnDeviceChange() const override { return onDeviceChange_; }
  void SetOnDeviceChange(TNotifyEvent handler) override { onDeviceChange_ = handler; }
  THidEnumerateEvent OnEnumerate() const override { return onEnumerate_; }
  void SetOnEnumerate(THidEnumerateEvent handler) override { onEnumerate_ = handler; }

  // Called by a claimed device that is being destroyed.
  void GiveBack(TFakeHidDevice* device);

  std::vector<TFakeHidDevice*> list;
  int passes = 0;

 private:
  bool IsPlugged(int instance) const;

  std::vector<TFakeInterface> plugged_;
  int nextInstance_ = 1;
  TNotifyEvent onDeviceChange_;
  THidEnumerateEvent onEnumerate_;
};
