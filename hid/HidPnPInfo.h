#pragma once

#include <string>

// Where a device object came from: the plug-and-play snapshot of one interface, made by
// the controller's enumeration and owned by the device made from it.
class THidPnPInfo {
 public:
  THidPnPInfo(std::string deviceInstance, std::string interfacePath)
      : DeviceInstance(std::move(deviceInstance)), InterfacePath(std::move(interfacePath)) {}
  // Tells a device across enumerations; a re-plugged device has a new one.
  const std::string DeviceInstance;
  // Every handle of the device is opened on it.
  const std::string InterfacePath;
};
