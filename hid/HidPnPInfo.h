#pragma once

#include <string>

// Where a device object came from: the plug-and-play snapshot of one interface, made by
// the controller's enumeration and owned by the device made from it.
class THidPnPInfo {
 public:
  THidPnPInfo(std::string deviceInstance, std::string interfacePath, std::string name = {})
      : DeviceInstance(std::move(deviceInstance)),
        InterfacePath(std::move(interfacePath)),
        Name(std::move(name)) {}
  // Tells a device across enumerations; a re-plugged device has a new one.
  const std::string DeviceInstance;
  // Every handle of the device is opened on it.
  const std::string InterfacePath;
  // The product name the device gives (may be empty): for people, never for matching.
  const std::string Name;
};
