#include "HidLinux.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace HidLinux {

namespace {

// Opens a node only when it is there and this user may open it as asked: an open bound
// to fail is left out. A device whose node is gone stays listed until the next pass and is
// asked for meanwhile (its reader tries again every ReadSleepTime), and a failed open is
// not free everywhere: umockdev's preload library keeps a table entry and a socket for
// every failed open of a /dev node, and aborts the program once its 50 entries are used
// up. A node that goes between the check and the open still fails the open, as before.
int OpenIfPermitted(const std::string& path, int mode, int flags) {
  if (::access(path.c_str(), mode) != 0) return -1;  // errno: ENOENT, EACCES, ...
  return open(path.c_str(), flags | O_CLOEXEC);
}

}  // namespace

THidHandle Open(const std::string& path, THidAccess access) {
  THidHandle handle;
  handle.path = path;
  switch (access) {
    case THidAccess::ReadWrite:
      handle.file = TSystemHandle::FromDescriptor(OpenIfPermitted(path, R_OK | W_OK, O_RDWR));
      break;
    case THidAccess::Read:
      // Non-blocking: a read follows poll(), and must not hang on a spurious wake-up.
      handle.file =
          TSystemHandle::FromDescriptor(OpenIfPermitted(path, R_OK, O_RDONLY | O_NONBLOCK));
      break;
    case THidAccess::QueryOnly:
      // Identity and descriptor come from sysfs, which needs no access to the node: it is
      // enough that the node is there.
      handle.queryOnly = ::access(path.c_str(), F_OK) == 0;
      break;
  }
  return handle;
}

void Close(THidHandle& handle) {
  if (handle.file.Valid()) close(handle.file.Descriptor());
  handle = THidHandle{};
}

bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length, uint32_t& written) {
  written = 0;
  if (!handle.file.Valid()) {
    // A query-only handle: the node is there, the permission to write to it is not.
    errno = handle.queryOnly ? EACCES : EBADF;
    return false;
  }
  ssize_t n;
  do {
    n = write(handle.file.Descriptor(), buffer, length);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  written = static_cast<uint32_t>(n);
  return true;
}

bool GetRawIdentity(const THidHandle& handle, uint16_t& vendor, uint16_t& product) {
  hidraw_devinfo info{};
  if (!handle.file.Valid() || ioctl(handle.file.Descriptor(), HIDIOCGRAWINFO, &info) < 0) {
    if (!handle.file.Valid()) errno = EBADF;
    return false;
  }
  // The kernel's fields are signed 16-bit.
  vendor = static_cast<uint16_t>(info.vendor);
  product = static_cast<uint16_t>(info.product);
  return true;
}

bool GetReportDescriptor(const THidHandle& handle, std::vector<uint8_t>& descriptor) {
  int size = 0;
  if (!handle.file.Valid()) {
    errno = EBADF;
    return false;
  }
  if (ioctl(handle.file.Descriptor(), HIDIOCGRDESCSIZE, &size) < 0) return false;
  hidraw_report_descriptor raw{};
  raw.size = static_cast<uint32_t>(std::clamp(size, 0, HID_MAX_DESCRIPTOR_SIZE));
  if (ioctl(handle.file.Descriptor(), HIDIOCGRDESC, &raw) < 0) return false;
  descriptor.assign(raw.value, raw.value + raw.size);
  return true;
}

bool SetNumInputBuffers(const THidHandle& handle, int count) {
  if (!handle.file.Valid()) {
    errno = EBADF;
    return false;
  }
  if (count != kHidrawQueueLength) {
    errno = EINVAL;
    return false;
  }
  return true;
}

bool GetNumInputBuffers(const THidHandle& handle, int& count) {
  if (!handle.file.Valid()) {
    errno = EBADF;
    return false;
  }
  count = kHidrawQueueLength;
  return true;
}

}  // namespace HidLinux

THidReadResult ReadReportFromFd(int fd, uint8_t* buffer, uint32_t length, bool prependReportId,
                                int timeoutMs, int wakeFd) {
  THidReadResult result;
  pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
  const int ready = poll(fds, wakeFd >= 0 ? 2 : 1, timeoutMs);
  if (ready < 0) {
    result.status = errno == EINTR ? THidReadStatus::TimedOut : THidReadStatus::Failed;
    result.error = errno;
    return result;
  }
  if (ready == 0) return result;  // timed out
  if (wakeFd >= 0 && (fds[1].revents & POLLIN)) {
    uint64_t count;
    (void)!read(wakeFd, &count, sizeof count);
    result.status = THidReadStatus::Woken;
    return result;
  }
  if (fds[0].revents & POLLIN) {
    const uint32_t offset = prependReportId ? 1 : 0;
    if (length <= offset) {
      result.status = THidReadStatus::Failed;
      result.error = EINVAL;
      return result;
    }
    const ssize_t n = read(fd, buffer + offset, length - offset);
    if (n > 0) {
      if (prependReportId) buffer[0] = 0;
      result.status = THidReadStatus::Completed;
      result.bytes = static_cast<uint32_t>(n) + offset;
      return result;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return result;  // nothing after all
    result.status = THidReadStatus::Failed;
    result.error = n == 0 ? EIO : errno;  // end of file: the device is gone
    return result;
  }
  // POLLERR, POLLHUP or POLLNVAL without data: the device went away.
  result.status = THidReadStatus::Failed;
  result.error = (fds[0].revents & POLLNVAL) ? EBADF : EIO;
  return result;
}
