#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"

// The HID services over hidraw nodes: what the device layer asks of an open interface.
// Failing calls answer false and leave the reason in errno.
namespace HidLinux {

// The kernel queues a fixed number of input reports per open hidraw file; it cannot be
// changed from user space.
constexpr int kHidrawQueueLength = 64;

THidHandle Open(const std::string& path, THidAccess access);
void Close(THidHandle& handle);
bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length, uint32_t& written);
// Vendor and product from the kernel (HIDIOCGRAWINFO); needs an open file.
bool GetRawIdentity(const THidHandle& handle, uint16_t& vendor, uint16_t& product);
// The report descriptor from the kernel (HIDIOCGRDESC); needs an open file.
bool GetReportDescriptor(const THidHandle& handle, std::vector<uint8_t>& descriptor);
// The queue length is the kernel's: a request for any other length fails with EINVAL, and
// the read-back is always the true length.
bool SetNumInputBuffers(const THidHandle& handle, int count);
bool GetNumInputBuffers(const THidHandle& handle, int& count);

}  // namespace HidLinux

// Poll-and-read of one report on a descriptor, waking early when wakeFd (an eventfd, or -1)
// becomes readable: the part of Read that does not depend on where the descriptor came from.
THidReadResult ReadReportFromFd(int fd, uint8_t* buffer, uint32_t length, bool prependReportId,
                                int timeoutMs, int wakeFd);
