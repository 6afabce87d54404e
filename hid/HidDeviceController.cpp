#include "HidDeviceController.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "hid/ControllerError.h"
#include "hid/DBT.h"

THidDeviceController::THidDeviceController(TComponent* owner,
                                           std::shared_ptr<THidPlatform> platform)
    : TCustomHidDeviceController(owner), platform_(std::move(platform)) {
  bound_ = platform_->BindSetupServices();
  if (!bound_) return;  // unbound: no notifications, the list stays empty
  notifyWindow_ = std::make_unique<TMessageTarget>();
  monitor_ = platform_->OpenChangeMonitor();
  if (monitor_.Valid()) notifyWindow_->Watch(monitor_, [this] { ChangeEventsArrived(); });
  // The first pass runs once the event loop runs: after the owner's definition is read
  // and its handlers are set. It always raises OnDeviceChange.
  notifyWindow_->Post(
      [this] { DeviceChangeMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, kStartupChangeParam); });
}

THidDeviceController::~THidDeviceController() {
  onDeviceChange_ = {};
  onDeviceUnplug_ = {};
  onEnumerate_ = {};
  notifyWindow_.reset();
  for (THidDevice* device : deviceList_) {
    device->ClearController();
    if (device->Claimed())
      device->Detach();  // stays its holder's, with no list to go back to
    else
      delete device;
  }
  deviceList_.clear();
  if (bound_) {
    if (monitor_.Valid()) platform_->CloseChangeMonitor(monitor_);
    platform_->ReleaseSetupServices();
  }
}

void THidDeviceController::ChangeEventsArrived() {
  if (!platform_->DrainChangeEvents(monitor_) || passPending_) return;
  passPending_ = true;
  notifyWindow_->PostDelayed(kCoalesceMs, [this] {
    passPending_ = false;
    DeviceChangeMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  });
}

void THidDeviceController::DeviceChangeMessage(int message, int wParam, int lParam) {
  if (message != WM_DEVICECHANGE || wParam != DBT_DEVNODES_CHANGED || scanning_) return;
  changeParam_ = lParam;
  scanning_ = true;
  // A pass ended by an error must not leave the controller deaf to every later change.
  struct TScanGuard {
    bool& flag;
    ~TScanGuard() { flag = false; }
  } guard{scanning_};
  DeviceChange();
}

void THidDeviceController::CollectInterfaces(std::vector<THidDevice*>& newList) {
  if (!bound_) return;
  std::vector<THidInterfaceRecord> records;
  platform_->EnumerateInterfaces(records);
  for (const THidInterfaceRecord& record : records) {
    try {
      // Owned at every step, so that no failure (the list's growth included) leaks one.
      auto info =
          std::make_unique<THidPnPInfo>(record.DeviceInstance, record.InterfacePath, record.Name);
      std::unique_ptr<THidDevice> device(new THidDevice(info.release(), this));
      newList.push_back(device.get());
      device.release();
    } catch (...) {
      // Vanished since the listing, not ours to open, or the platform failed on it in a
      // way of its own: as if it were not there. The other interfaces are still listed.
    }
  }
}

namespace {

// The devices made for a pass that no list has taken yet. Whatever ends the pass early
// (a handler raising, say) frees them rather than leaving them open and unreachable.
struct TFreshDevices {
  std::vector<THidDevice*> devices;
  ~TFreshDevices() {
    for (THidDevice* device : devices) {
      if (!device) continue;
      device->ClearController();
      delete device;
    }
  }
};

}  // namespace

void THidDeviceController::DeviceChange() {
  bool changed = changeParam_ == kStartupChangeParam;
  TFreshDevices fresh;
  std::vector<THidDevice*>& newList = fresh.devices;
  CollectInterfaces(newList);

  auto sameInstance = [](const THidDevice* a, const THidDevice* b) {
    return a->InterfaceInfo().DeviceInstance == b->InterfaceInfo().DeviceInstance;
  };

  // Removal pass, from the end so indices stay valid.
  for (int i = static_cast<int>(deviceList_.size()) - 1; i >= 0; --i) {
    THidDevice* old = deviceList_[i];
    const bool present =
        old->Attached() && std::any_of(newList.rbegin(), newList.rend(),
                                       [&](THidDevice* n) { return sameInstance(old, n); });
    if (present) continue;
    old->Detach();
    if (onRemoval_) {
      old->SetInNotification(true);
      onRemoval_(old);
      old->SetInNotification(false);
    }
    if (!old->Claimed()) {
      deviceList_.erase(deviceList_.begin() + i);
      old->ClearController();
      delete old;
    }
    changed = true;
  }

  // Duplicate pass: what is listed already keeps its object.
  for (THidDevice*& candidate : newList) {
    for (THidDevice* listed : deviceList_) {
      if (listed->Attached() && sameInstance(listed, candidate)) {
        candidate->ClearController();
        delete candidate;
        candidate = nullptr;
        break;
      }
    }
  }

  // Arrival pass, in enumeration order. A device is the list's once appended.
  for (THidDevice*& candidate : newList) {
    if (!candidate) continue;
    THidDevice* arrived = std::exchange(candidate, nullptr);
    deviceList_.push_back(arrived);
    changed = true;
    if (onArrival_) {
      arrived->SetInNotification(true);
      onArrival_(arrived);
      arrived->SetInNotification(false);
    }
  }

  if (changed && onDeviceChange_) onDeviceChange_(this);
}

bool THidDeviceController::Uses(const THidAttributes& identity) const {
  if (usedDevices_.empty()) return true;
  const THidDeviceId kind{identity.VendorID, identity.ProductID};
  return std::find(usedDevices_.begin(), usedDevices_.end(), kind) != usedDevices_.end();
}

// ---- Claiming and giving back ----

bool THidDeviceController::ClaimAt(int index, TCustomHidDevice*& device) {
  THidDevice* listed = deviceList_[index];
  if (listed->Claimed()) return false;
  device = listed;
  listed->SetClaimed();
  listed->StartReader();
  return true;
}

bool THidDeviceController::ClaimDeviceAt(int index, TCustomHidDevice*& device) {
  device = nullptr;
  if (index < 0 || index >= static_cast<int>(deviceList_.size())) return false;
  return ClaimAt(index, device);
}

bool THidDeviceController::ClaimDevice(TCustomHidDevice*& device) {
  device = nullptr;
  for (int i = 0; i < static_cast<int>(deviceList_.size()); ++i)
    if (ClaimAt(i, device)) return true;
  return false;
}

void THidDeviceController::DeviceDestroyed(THidDevice* device, THidDataEvent inputReport,
                                           THidPlugEvent detach, int readSleepTime) {
  auto it = std::find(deviceList_.begin(), deviceList_.end(), device);
  if (it == deviceList_.end()) return;
  if (!device->Attached()) {
    deviceList_.erase(it);
    return;
  }
  const THidPnPInfo& info = device->InterfaceInfo();
  try {
    auto* fresh =
        new THidDevice(new THidPnPInfo(info.DeviceInstance, info.InterfacePath, info.Name), this);
    fresh->SetOnInputReport(inputReport);
    fresh->SetOnDetach(detach);
    fresh->SetReadSleepTime(readSleepTime);
    *it = fresh;
  } catch (...) {
    // It can no longer be opened or identified: as good as gone. (This runs inside the
    // device's destructor, which no error may leave.)
    deviceList_.erase(it);
  }
}

// ---- Property writes ----

void THidDeviceController::SetOnDeviceChange(TNotifyEvent handler) {
  if (handler.SameCode(onDeviceChange_)) return;
  onDeviceChange_ = handler;
  if (!Loading()) DeviceChange();
}

void THidDeviceController::SetOnDeviceData(THidDataEvent handler) {
  if (handler.SameCode(onDeviceData_)) return;
  for (THidDevice* device : deviceList_)
    if (device->OnInputReport().SameCode(onDeviceData_)) device->SetOnInputReport(handler);
  onDeviceData_ = handler;
}

void THidDeviceController::SetOnDeviceDataError(THidDataErrorEvent handler) {
  if (handler.SameCode(onDeviceDataError_)) return;
  for (THidDevice* device : deviceList_)
    if (device->OnReadError().SameCode(onDeviceDataError_)) device->SetOnReadError(handler);
  onDeviceDataError_ = handler;
}

void THidDeviceController::SetOnDeviceUnplug(THidPlugEvent handler) {
  if (handler.SameCode(onDeviceUnplug_)) return;
  for (THidDevice* device : deviceList_)
    if (device->OnDetach().SameCode(onDeviceUnplug_)) device->SetOnDetach(handler);
  onDeviceUnplug_ = handler;
}

void THidDeviceController::SetDevThreadSleepTime(int milliseconds) {
  if (milliseconds == devThreadSleepTime_) return;
  for (THidDevice* device : deviceList_)
    if (device->ReadSleepTime() == devThreadSleepTime_) device->SetReadSleepTime(milliseconds);
  devThreadSleepTime_ = milliseconds;
}
