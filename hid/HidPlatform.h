#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hid/HidTypes.h"

// A handle on an HID interface: an open device file, or a query-only handle that can
// identify the interface without access to its node (where the user lacks permission).
struct THidHandle {
  int fd = -1;
  bool queryOnly = false;
  std::string path;
  bool Valid() const { return fd >= 0 || queryOnly; }
};

// One present HID interface as the enumeration finds it. DeviceInstance tells a device
// across passes (a re-plugged device has a new one); InterfacePath is where it is opened.
struct THidInterfaceRecord {
  std::string DeviceInstance;
  std::string InterfacePath;
  std::string Name;  // the product name the device gives, where it gives one
};

enum class THidAccess { ReadWrite, QueryOnly, Read };

enum class THidReadStatus { Completed, TimedOut, Woken, Failed };
struct THidReadResult {
  THidReadStatus status = THidReadStatus::TimedOut;
  uint32_t bytes = 0;  // Completed: the report's size, report-id byte included
  int error = 0;       // Failed: errno
};

// The platform services the controller and the devices call: device setup (listing the
// interfaces and watching for changes), files, and the HID queries. The one seam of the HID
// layer: tests put an in-process platform here, the Linux one runs on udev and hidraw.
// Failing calls leave the reason in errno.
class THidPlatform {
 public:
  virtual ~THidPlatform() = default;

  // Device setup. Binding is counted: the first bind loads, the last release frees.
  virtual bool BindSetupServices() = 0;
  virtual void ReleaseSetupServices() = 0;
  // False when the set of interfaces cannot be had at all.
  virtual bool EnumerateInterfaces(std::vector<THidInterfaceRecord>& records) = 0;
  // A monitor of its own for every caller: a descriptor that becomes readable when device
  // nodes change, or -1.
  virtual int OpenChangeMonitor() = 0;
  // Reads every change event waiting on that monitor; answers whether one concerned HID
  // interfaces.
  virtual bool DrainChangeEvents(int monitor) = 0;
  virtual void CloseChangeMonitor(int monitor) = 0;

  // Files.
  virtual THidHandle Open(const std::string& path, THidAccess access) = 0;
  virtual void Close(THidHandle& handle) = 0;
  // One blocking write; byte 0 is the report id.
  virtual bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length,
                     uint32_t& written) = 0;
  // Waits up to timeoutMs for one input report, or until wakeFd is signalled (and then
  // resets it). With prependReportId the report is stored after a leading 0 byte, so a
  // device without numbered reports presents the same layout as one with them.
  virtual THidReadResult Read(const THidHandle& handle, uint8_t* buffer, uint32_t length,
                              bool prependReportId, int timeoutMs, int wakeFd) = 0;

  // HID queries.
  virtual bool GetAttributes(const THidHandle& handle, THidAttributes& attributes) = 0;
  virtual bool GetReportDescriptor(const THidHandle& handle, std::vector<uint8_t>& descriptor) = 0;
  virtual bool SetNumInputBuffers(const THidHandle& handle, int count) = 0;
  virtual bool GetNumInputBuffers(const THidHandle& handle, int& count) = 0;
};

// The platform of the system the program was built for (one file per platform):
// HidPlatformLinux.cpp, or HidPlatformWindows.cpp.
std::shared_ptr<THidPlatform> SystemHidPlatform();

// Linux: udev for device setup, hidraw for the rest.
std::shared_ptr<THidPlatform> LinuxHidPlatform();

// Poll-and-read of one report on a descriptor: the part of Read that does not depend on
// where the descriptor came from.
THidReadResult ReadReportFromFd(int fd, uint8_t* buffer, uint32_t length, bool prependReportId,
                                int timeoutMs, int wakeFd);
