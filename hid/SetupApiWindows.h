#pragma once

#include <string>
#include <vector>

#include "framework/SystemHandle.h"
#include "hid/HidPlatform.h"

// The device-setup services on Windows: the present HID interfaces from SetupAPI, and the
// system's notices of HID interfaces coming and going (WM_DEVICECHANGE on a message-only
// window registered for the HID interface class).
namespace SetupApiWindows {

// The present HID interfaces; false when the set cannot be had. DeviceInstance is the
// device's instance id with the number of arrivals seen for the interface, so that a device
// unplugged and plugged back between two passes is still a new device.
bool EnumerateHid(std::vector<THidInterfaceRecord>& records);

// A monitor is a manual-reset event that is set when an HID interface arrives or is
// removed. One window on a thread of its own serves every monitor; it exists while any
// monitor is open. Drain resets the event and answers whether a notice came since the
// last drain.
TSystemHandle OpenMonitor();
bool DrainMonitor(TSystemHandle monitor);
void CloseMonitor(TSystemHandle monitor);
int OpenMonitorCount();

// UTF-8 <-> UTF-16, for paths and names.
std::string Utf8Of(const wchar_t* text);
std::wstring WideOf(const std::string& text);

}  // namespace SetupApiWindows
