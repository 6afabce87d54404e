#pragma once

#include <cstdint>
#include <string>

#include "hid/HidPlatform.h"

// The HID services on Windows: interface files opened for overlapped I/O, and hid.dll's
// queries on them. Failing calls answer false and leave the reason in errno (translated
// from the system's error), as the Linux services do.
// Of these only Write and Read reach the device, each with a time-out; opening, the
// attributes, the preparsed data and the queue lengths are answered by the HID class driver
// from what it keeps. The device's strings (HidD_Get*String) are requests to the device with
// no time-out, and are not asked for at all.
namespace HidWindows {

// A write the device does not take within this long is cancelled and fails: a report is
// a few milliseconds on the bus, and the caller (the main thread) must not hang on a
// device that stopped answering.
constexpr int kWriteTimeoutMs = 2000;

// Read and ReadWrite open for overlapped I/O, sharing the device with other handles;
// QueryOnly opens without read or write access (enough for the queries).
THidHandle Open(const std::string& path, THidAccess access);
void Close(THidHandle& handle);
bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length, uint32_t& written);
// One overlapped read of a whole report (byte 0 is the report id, 0 for a device without
// numbered reports). A wait that ends by time-out or wake leaves the read queued in the
// handle's state, and the next Read waits for that same read: an idle reader then costs
// one wait every ReadSleepTime instead of a read queued and cancelled each time (several
// round trips through the system, which under Wine were most of the idle window's CPU).
// Close cancels a read still queued.
THidReadResult Read(const THidHandle& handle, uint8_t* buffer, uint32_t length, int timeoutMs,
                    TSystemHandle wake);

bool GetAttributes(const THidHandle& handle, THidAttributes& attributes);
// From the system's own parse of the report descriptor (HidP_GetCaps).
bool GetDescriptorInfo(const THidHandle& handle, THidDescriptorInfo& info);
// The driver's input queue per handle: 2 to 512 reports.
bool SetNumInputBuffers(const THidHandle& handle, int count);
bool GetNumInputBuffers(const THidHandle& handle, int& count);

// errno for a system error code.
int ErrnoOf(unsigned long error);

}  // namespace HidWindows
