#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "framework/Event.h"
#include "hid/CustomHidDevice.h"
#include "hid/HidPlatform.h"
#include "hid/HidPnPInfo.h"
#include "hid/ReportDescriptor.h"

class THidDevice;
class THidDeviceController;
class THidDeviceReadThread;

using THidPlugEvent = TEvent<void(THidDevice* HidDev)>;
using THidDataErrorEvent = TEvent<void(THidDevice* HidDev, uint32_t Error)>;

// The report layout of an interface, fetched once per device object.
struct THidPreparsedData {
  THidDescriptorInfo info;
};

// One HID interface of the machine as an object. Made only by the controller; an
// application claims it there and gives it back by destroying it. While claimed, opened for
// reading and writing and given an input-report handler, it runs a reader thread that
// hands every input report to the handler on the main thread.
//
// Everything here runs on the main thread except the reader, which shares only the read
// handle (under readMutex_) and the flags it tests (atomics) with it.
class THidDevice : public TCustomHidDevice {
 public:
  static constexpr int kMinReadSleepTime = 10;
  static constexpr int kMaxReadSleepTime = 10000;

  // Opens, identifies and closes the interface; raises EControllerError when it can't.
  // Takes ownership of info (also when it raises).
  THidDevice(THidPnPInfo* info, THidDeviceController* controller);
  ~THidDevice() override;

  // What an application uses.
  THidAttributes Identity() const override { return identity_; }
  void SetInputBufferCount(int count) override;
  void SetReadBufferCount(int count) override;
  THidPCaps Capabilities() override;
  bool WriteReport(const uint8_t* buffer, uint32_t toWrite, uint32_t& written) override;
  THidDataEvent OnInputReport() const override { return onInputReport_; }
  void SetOnInputReport(THidDataEvent handler) override;

  int InputBufferCount() const { return inputBufferCount_; }
  int ReadBufferCount() const;
  int ReadSleepTime() const { return readSleepTime_; }
  // Values outside 10..10000 are ignored.
  void SetReadSleepTime(int milliseconds);
  THidDataErrorEvent OnReadError() const { return onReadError_; }
  void SetOnReadError(THidDataErrorEvent handler) { onReadError_ = handler; }
  THidPlugEvent OnDetach() const { return onDetach_; }
  void SetOnDetach(THidPlugEvent handler) { onDetach_ = handler; }

  bool Attached() const { return attached_; }
  bool Claimed() const { return claimed_; }
  bool InNotification() const { return inNotification_; }
  bool CanReadWrite() const override { return canReadWrite_; }
  THidAccessRemedy AccessRemedy() const override { return platform_->AccessRemedy(openError_); }
  // Known from queries only, as a kind of device the application doesn't use where handles
  // with access rights stand in other programs' way: never opened for reading or writing,
  // and no handle of it is kept open.
  bool ListedOnly() const { return listedOnly_; }
  // Handles can be opened only while this holds.
  bool Usable() const { return attached_ && (claimed_ || inNotification_); }
  bool HasReader() const { return reader_ != nullptr; }
  THidDeviceController* Controller() const { return controller_; }
  const THidPnPInfo& InterfaceInfo() const { return *info_; }

  // The controller's side.
  void Detach();
  void StartReader();
  void StopReader();
  void SetClaimed() { claimed_ = true; }
  void SetInNotification(bool value) { inNotification_ = value; }
  void ClearController() { controller_ = nullptr; }

 private:
  friend class THidDeviceReadThread;

  // The main handle for reading and writing, else for queries (CanReadWrite tells which).
  void OpenForReadWriteOrQuery();
  // Reads the identity through the open main handle, then closes it; raises when it can't.
  void Identify();
  bool OpenMainHandle();
  void CloseMainHandle();
  const THidPreparsedData* LoadPreparsedData();
  // The reader's side of the read handle: it takes the handle for one wait, and gives it
  // back when the wait is over.
  bool OpenReadHandle(THidHandle& handle);
  void LeaveReadWait();
  // Main thread. Closing waits for a reader inside a wait to step out first.
  void CloseReadHandle();
  bool OpenReadHandleLocked();

  std::shared_ptr<THidPlatform> platform_;
  THidDeviceController* controller_;
  std::unique_ptr<THidPnPInfo> info_;
  std::atomic<bool> attached_{true};
  std::atomic<bool> claimed_{false};
  std::atomic<bool> inNotification_{false};
  std::atomic<bool> canReadWrite_{false};
  bool listedOnly_ = false;
  int openError_ = 0;  // errno of the last open for reading and writing that failed
  THidHandle mainHandle_;
  THidAttributes identity_;
  std::unique_ptr<THidPreparsedData> preparsedData_;
  int inputBufferCount_ = 0;
  std::atomic<int> readSleepTime_{100};
  THidDataEvent onInputReport_;
  THidDataErrorEvent onReadError_;
  THidPlugEvent onDetach_;
  std::unique_ptr<THidDeviceReadThread> reader_;

  // The read handle is opened by whichever thread needs it first and closed by the main
  // thread; while the reader waits on it, a close asks the reader to step out first.
  mutable std::mutex readMutex_;
  std::condition_variable readerLeftWait_;
  THidHandle readHandle_;
  int readBufferCount_ = 0;
  bool readerWaiting_ = false;
};
