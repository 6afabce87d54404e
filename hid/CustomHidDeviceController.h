#pragma once

#include "framework/Component.h"
#include "framework/Event.h"
#include "hid/CustomHidDevice.h"

// What an application may do with the list of attached HID interfaces: be told when it
// changes, and claim the devices in it. A claimed device is given back by destroying it.
class TCustomHidDeviceController : public TComponent {
 public:
  using TComponent::TComponent;

  // Hands out the first listed device nobody holds yet; false (and none) when all are held.
  virtual bool ClaimDevice(TCustomHidDevice*& device) = 0;
  // Claims the listed device at index; false (and none) for a bad index or a held device.
  virtual bool ClaimDeviceAt(int index, TCustomHidDevice*& device) = 0;

  // Raised on the main thread once after start-up and after every change of the device set.
  virtual TNotifyEvent OnDeviceChange() const = 0;
  virtual void SetOnDeviceChange(TNotifyEvent handler) = 0;
  // Kept, never raised.
  virtual THidEnumerateEvent OnEnumerate() const = 0;
  virtual void SetOnEnumerate(THidEnumerateEvent handler) = 0;
};
