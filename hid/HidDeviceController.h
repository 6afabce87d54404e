#pragma once

#include <memory>
#include <vector>

#include "framework/MessageTarget.h"
#include "hid/CustomHidDeviceController.h"
#include "hid/HidDevice.h"
#include "hid/HidPlatform.h"

// The list of the machine's HID interfaces, one THidDevice each, kept current through
// device-change notifications. Hands devices out to the application (claiming) and takes
// them back when the application destroys a claimed device. Main thread only.
class THidDeviceController : public TCustomHidDeviceController {
 public:
  // Uevents of one plug or unplug arrive within a few milliseconds; waiting this long after
  // the first turns a burst into one pass.
  static constexpr int kCoalesceMs = 50;

  explicit THidDeviceController(TComponent* owner,
                                std::shared_ptr<THidPlatform> platform = SystemHidPlatform());
  ~THidDeviceController() override;

  // What an application uses.
  bool ClaimDevice(TCustomHidDevice*& device) override;
  bool ClaimDeviceAt(int index, TCustomHidDevice*& device) override;
  TNotifyEvent OnDeviceChange() const override { return onDeviceChange_; }
  // Unless the owner is still loading, a new handler runs a pass at once.
  void SetOnDeviceChange(TNotifyEvent handler) override;
  THidEnumerateEvent OnEnumerate() const override { return onEnumerate_; }
  void SetOnEnumerate(THidEnumerateEvent handler) override { onEnumerate_ = handler; }

  // One pass: re-reads the interfaces, detaches vanished devices, adds new ones, and
  // raises OnDeviceChange when anything changed (always for the start-up pass).
  void DeviceChange();
  // The hidden receiver's message handler.
  void DeviceChangeMessage(int message, int wParam, int lParam);

  THidPlugEvent OnArrival() const { return onArrival_; }
  void SetOnArrival(THidPlugEvent handler) { onArrival_ = handler; }
  THidPlugEvent OnRemoval() const { return onRemoval_; }
  void SetOnRemoval(THidPlugEvent handler) { onRemoval_ = handler; }
  // New device objects take these two; the writes pass them on to listed devices that had
  // the previous one.
  THidDataEvent OnDeviceData() const { return onDeviceData_; }
  void SetOnDeviceData(THidDataEvent handler);
  THidPlugEvent OnDeviceUnplug() const { return onDeviceUnplug_; }
  void SetOnDeviceUnplug(THidPlugEvent handler);
  THidDataErrorEvent OnDeviceDataError() const { return onDeviceDataError_; }
  void SetOnDeviceDataError(THidDataErrorEvent handler);
  int DevThreadSleepTime() const { return devThreadSleepTime_; }
  void SetDevThreadSleepTime(int milliseconds);
  static const char* Version() { return "1.0.34"; }

  // The kinds of device the application reads and writes (none named: every kind). Where
  // the platform's handles with access rights stand in other programs' way (Windows), only
  // these are opened for reading and writing; every other interface is listed from a
  // query-only handle and never held. Set it before the first pass: devices made earlier
  // keep what they were made with.
  void SetUsedDevices(std::vector<THidDeviceId> kinds) { usedDevices_ = std::move(kinds); }
  const std::vector<THidDeviceId>& UsedDevices() const { return usedDevices_; }
  bool RestrictsReadWrite() const {
    return !usedDevices_.empty() && platform_->ReadWriteHandlesStandInTheWay();
  }
  bool Uses(const THidAttributes& identity) const;

  const std::vector<THidDevice*>& DeviceList() const { return deviceList_; }
  bool Bound() const { return bound_; }
  bool Scanning() const { return scanning_; }
  int ChangeParam() const { return changeParam_; }
  const std::shared_ptr<THidPlatform>& Platform() const { return platform_; }

  // Called by a device being destroyed while it still has this controller.
  void DeviceDestroyed(THidDevice* device, THidDataEvent inputReport, THidPlugEvent detach,
                       int readSleepTime);

 private:
  void CollectInterfaces(std::vector<THidDevice*>& newList);
  bool ClaimAt(int index, TCustomHidDevice*& device);
  void ChangeEventsArrived();

  std::shared_ptr<THidPlatform> platform_;
  bool bound_ = false;
  std::vector<THidDevice*> deviceList_;
  std::vector<THidDeviceId> usedDevices_;
  THidPlugEvent onArrival_;
  TNotifyEvent onDeviceChange_;
  THidEnumerateEvent onEnumerate_;
  THidDataEvent onDeviceData_;
  THidDataErrorEvent onDeviceDataError_;
  THidPlugEvent onDeviceUnplug_;
  THidPlugEvent onRemoval_;
  int devThreadSleepTime_ = 100;
  bool scanning_ = false;
  int changeParam_ = 0;
  bool passPending_ = false;
  TSystemHandle monitor_;  // this controller's own change monitor
  std::unique_ptr<TMessageTarget> notifyWindow_;
};
