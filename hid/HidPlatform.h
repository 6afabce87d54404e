#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/SystemHandle.h"
#include "hid/HidTypes.h"
#include "hid/ReportDescriptor.h"

// A handle on an HID interface: an open device file, or a query-only handle.
// Query-only means the same on every platform: the interface is present and can be
// identified (GetAttributes, GetDescriptorInfo), and nothing can be read from it or written to
// it (Write fails with EACCES, Read with an error). The device layer opens one where the
// user lacks the right to read and write, or another program holds the device. What stands
// behind it is the platform's own affair: no file at all on Linux (sysfs answers the
// queries), a file opened without access rights on Windows.
// What a platform keeps with an open handle between calls, its own affair (on Windows the
// read that stays pending across the reader's waits); shared by the handle's copies.
struct THidHandleState;

struct THidHandle {
  TSystemHandle file;
  bool queryOnly = false;
  std::string path;
  std::shared_ptr<THidHandleState> state;
  bool Valid() const { return file.Valid() || queryOnly; }
};

struct THidInterfaceRecord {
  std::string DeviceInstance;
  std::string InterfacePath;
  // The device's name as the system keeps it, where it keeps one. Never asked of the device
  // itself: a device that doesn't answer must not hold up a listing.
  std::string Name;
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
// layer, with one backend per system behind it (the files ending in Linux or Windows): tests
// put an in-process platform here, the Linux one runs on udev and hidraw, the Windows one on
// SetupAPI, hid.dll and overlapped file I/O.
// Failing calls leave the reason in errno.
class THidPlatform {
 public:
  virtual ~THidPlatform() = default;

  // Device setup. Binding is counted: the first bind loads, the last release frees.
  virtual bool BindSetupServices() = 0;
  virtual void ReleaseSetupServices() = 0;
  // False when the set of interfaces cannot be had at all.
  virtual bool EnumerateInterfaces(std::vector<THidInterfaceRecord>& records) = 0;
  // A monitor of its own for every caller: an object that becomes ready (readable, or
  // signalled) when HID interfaces may have come or gone; none when there can be none.
  virtual TSystemHandle OpenChangeMonitor() = 0;
  // Takes every change waiting on that monitor; answers whether one concerned HID
  // interfaces.
  virtual bool DrainChangeEvents(TSystemHandle monitor) = 0;
  virtual void CloseChangeMonitor(TSystemHandle monitor) = 0;

  // Files.
  virtual THidHandle Open(const std::string& path, THidAccess access) = 0;
  virtual void Close(THidHandle& handle) = 0;
  // One blocking write; byte 0 is the report id.
  virtual bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length,
                     uint32_t& written) = 0;
  // Waits up to timeoutMs for one input report, or until wake (a TWakeEvent's object) is
  // signalled, and then resets it. A wait that ends without a report takes none away: one
  // that arrives meanwhile is handed over by the next Read on the handle (on Windows the
  // read stays queued with the system until then, or until the handle is closed, so that
  // waiting costs no calls to the system). Byte 0 of what is stored is always the report id: with
  // prependReportId (a device without numbered reports) a system that hands such reports
  // over without it stores them after a leading 0 byte.
  virtual THidReadResult Read(const THidHandle& handle, uint8_t* buffer, uint32_t length,
                              bool prependReportId, int timeoutMs, TSystemHandle wake) = 0;

  // HID queries.
  virtual bool GetAttributes(const THidHandle& handle, THidAttributes& attributes) = 0;
  // The report layout: from the report descriptor where the system hands it out, else
  // from the system's own parse of it.
  virtual bool GetDescriptorInfo(const THidHandle& handle, THidDescriptorInfo& info) = 0;
  virtual bool SetNumInputBuffers(const THidHandle& handle, int count) = 0;
  virtual bool GetNumInputBuffers(const THidHandle& handle, int& count) = 0;
  // What the user can do about a listed device whose open for reading and writing failed
  // with openError (the errno that Open left).
  virtual THidAccessRemedy AccessRemedy(int openError) const = 0;
  // Whether a handle open for reading and writing stands in other programs' way. On Windows
  // it does: a program that opens its own device exclusively fails while another handle
  // with access rights is open, and the system's keyboards, mice and sensors are among the
  // interfaces. The device layer then opens for reading and writing only the kinds of
  // device the application says it uses, and knows every other one from a query-only
  // handle that it closes at once. A hidraw node on Linux is shared by all who open it.
  virtual bool ReadWriteHandlesStandInTheWay() const = 0;
};

// The platform of the system the program was built for (one file per platform):
// HidPlatformLinux.cpp, or HidPlatformWindows.cpp.
std::shared_ptr<THidPlatform> SystemHidPlatform();

// Linux: udev for device setup, hidraw for the rest.
std::shared_ptr<THidPlatform> LinuxHidPlatform();
// Windows: SetupAPI for device setup, hid.dll and overlapped file I/O for the rest.
std::shared_ptr<THidPlatform> WindowsHidPlatform();
