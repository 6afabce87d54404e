#include "HidWindows.h"

// clang-format off
#include <windows.h>
extern "C" {
#include <hidsdi.h>  // neither header declares C linkage of its own
#include <hidpi.h>
}
// clang-format on

#include <algorithm>
#include <cerrno>
#include <vector>

#include "hid/SetupApiWindows.h"

// The read queued on a handle open for reading: its record, event and buffer live as long
// as the system may still write to them, until the read has completed and been handed over
// or Close has cancelled it. Only one thread reads a handle at a time, and the device layer
// closes a handle only once its reader has left its wait.
struct THidHandleState {
  THidHandleState() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~THidHandleState() {
    if (event) CloseHandle(event);
  }
  THidHandleState(const THidHandleState&) = delete;
  THidHandleState& operator=(const THidHandleState&) = delete;

  HANDLE event;
  OVERLAPPED overlapped{};
  std::vector<uint8_t> buffer;
  bool queued = false;
};

namespace HidWindows {
namespace {

HANDLE FileOf(const THidHandle& handle) {
  return handle.file.Handle();
}

bool Fail(DWORD error) {
  errno = ErrnoOf(error);
  return false;
}

// An event for one overlapped call, closed when the call is over.
class TIoEvent {
 public:
  TIoEvent() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~TIoEvent() {
    if (event_) CloseHandle(event_);
  }
  TIoEvent(const TIoEvent&) = delete;
  TIoEvent& operator=(const TIoEvent&) = delete;
  HANDLE get() const { return event_; }

 private:
  HANDLE event_;
};

// Cancels a pending call and waits until the system is done with its buffer and record.
// Answers whether the call completed after all (before the cancel could take it), and
// with how many bytes.
bool CancelAndSettle(HANDLE file, OVERLAPPED& overlapped, DWORD& bytes) {
  CancelIoEx(file, &overlapped);
  return GetOverlappedResult(file, &overlapped, &bytes, TRUE) != FALSE;
}

// The preparsed data of an open handle, freed with this object.
class TPreparsed {
 public:
  explicit TPreparsed(HANDLE file) {
    if (!HidD_GetPreparsedData(file, &data_)) data_ = nullptr;
  }
  ~TPreparsed() {
    if (data_) HidD_FreePreparsedData(data_);
  }
  TPreparsed(const TPreparsed&) = delete;
  TPreparsed& operator=(const TPreparsed&) = delete;
  PHIDP_PREPARSED_DATA get() const { return data_; }

 private:
  PHIDP_PREPARSED_DATA data_ = nullptr;
};

// Whether any report of a kind carries an id other than 0: then every report of the
// interface starts with its id as sent, as on Linux.
bool NumberedReports(PHIDP_PREPARSED_DATA data, HIDP_REPORT_TYPE kind, USHORT buttons,
                     USHORT values) {
  if (buttons > 0) {
    std::vector<HIDP_BUTTON_CAPS> caps(buttons);
    USHORT count = buttons;
    if (HidP_GetButtonCaps(kind, caps.data(), &count, data) == HIDP_STATUS_SUCCESS)
      for (USHORT i = 0; i < count; ++i)
        if (caps[i].ReportID != 0) return true;
  }
  if (values > 0) {
    std::vector<HIDP_VALUE_CAPS> caps(values);
    USHORT count = values;
    if (HidP_GetValueCaps(kind, caps.data(), &count, data) == HIDP_STATUS_SUCCESS)
      for (USHORT i = 0; i < count; ++i)
        if (caps[i].ReportID != 0) return true;
  }
  return false;
}

}  // namespace

int ErrnoOf(unsigned long error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
      return EBUSY;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_REMOVED:
      return ENODEV;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_USER_BUFFER:
      return EINVAL;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
      return ENOMEM;
    case ERROR_OPERATION_ABORTED:
      return EINTR;
    case ERROR_TIMEOUT:
    case WAIT_TIMEOUT:
      return ETIMEDOUT;
    default:
      return EIO;
  }
}

THidHandle Open(const std::string& path, THidAccess access) {
  THidHandle handle;
  handle.path = path;
  const std::wstring widePath = SetupApiWindows::WideOf(path);
  DWORD rights = 0;
  DWORD flags = 0;
  switch (access) {
    case THidAccess::ReadWrite:
      rights = GENERIC_READ | GENERIC_WRITE;
      flags = FILE_FLAG_OVERLAPPED;
      break;
    case THidAccess::Read:
      rights = GENERIC_READ;
      flags = FILE_FLAG_OVERLAPPED;
      break;
    case THidAccess::QueryOnly:
      // No read or write access: granted even while another program holds the device
      // for itself, and for the system's own keyboards and mice.
      break;
  }
  HANDLE file = CreateFileW(widePath.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, flags, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Fail(GetLastError());
    return handle;
  }
  handle.file = TSystemHandle::FromHandle(file);
  handle.queryOnly = access == THidAccess::QueryOnly;
  if (!handle.queryOnly) handle.state = std::make_shared<THidHandleState>();
  return handle;
}

void Close(THidHandle& handle) {
  // The queued read is cancelled and settled first: its record and buffer are freed with
  // the state, which the system must be done with by then.
  if (handle.file.Valid() && handle.state && handle.state->queued) {
    DWORD bytes = 0;
    CancelAndSettle(FileOf(handle), handle.state->overlapped, bytes);
    handle.state->queued = false;
  }
  if (handle.file.Valid()) CloseHandle(FileOf(handle));
  handle = THidHandle{};
}

bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length, uint32_t& written) {
  written = 0;
  if (!handle.file.Valid()) {
    errno = EBADF;
    return false;
  }
  if (handle.queryOnly) {
    // The device is there; the right to write to it is not.
    errno = EACCES;
    return false;
  }
  TIoEvent done;
  if (!done.get()) return Fail(GetLastError());
  OVERLAPPED overlapped{};
  overlapped.hEvent = done.get();
  DWORD bytes = 0;
  if (!WriteFile(FileOf(handle), buffer, length, nullptr, &overlapped)) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return Fail(error);
    if (WaitForSingleObject(done.get(), kWriteTimeoutMs) != WAIT_OBJECT_0) {
      if (!CancelAndSettle(FileOf(handle), overlapped, bytes)) return Fail(ERROR_TIMEOUT);
      written = bytes;
      return true;
    }
  }
  if (!GetOverlappedResult(FileOf(handle), &overlapped, &bytes, FALSE)) return Fail(GetLastError());
  written = bytes;
  return true;
}

THidReadResult Read(const THidHandle& handle, uint8_t* buffer, uint32_t length, int timeoutMs,
                    TSystemHandle wake) {
  THidReadResult result;
  auto failed = [&result](DWORD error) {
    result.status = THidReadStatus::Failed;
    result.error = ErrnoOf(error);
    return result;
  };
  if (!handle.file.Valid() || handle.queryOnly || !handle.state || !handle.state->event)
    return failed(ERROR_INVALID_HANDLE);
  THidHandleState& read = *handle.state;
  HANDLE file = FileOf(handle);
  if (!read.queued) {
    read.buffer.assign(length, 0);
    read.overlapped = OVERLAPPED{};
    read.overlapped.hEvent = read.event;
    ResetEvent(read.event);
    if (!ReadFile(file, read.buffer.data(), length, nullptr, &read.overlapped)) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) return failed(error);
    }
    read.queued = true;
  }
  // The read first: when both are signalled the report is taken now, and the wake still
  // ends the next wait.
  HANDLE waits[2] = {read.event, wake.Handle()};
  const DWORD count = wake.Valid() ? 2 : 1;
  const DWORD waited = WaitForMultipleObjects(
      count, waits, FALSE, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
  if (waited == WAIT_OBJECT_0 + 1) {
    result.status = THidReadStatus::Woken;
    return result;
  }
  if (waited == WAIT_TIMEOUT) return result;
  if (waited != WAIT_OBJECT_0) return failed(GetLastError());
  read.queued = false;
  DWORD bytes = 0;
  if (!GetOverlappedResult(file, &read.overlapped, &bytes, FALSE)) return failed(GetLastError());
  // A read of nothing: the device is going away.
  if (bytes == 0) return failed(ERROR_DEVICE_NOT_CONNECTED);
  bytes = std::min<DWORD>(bytes, std::min<DWORD>(length, read.buffer.size()));
  std::copy_n(read.buffer.begin(), bytes, buffer);
  result.status = THidReadStatus::Completed;
  result.bytes = bytes;
  return result;
}

bool GetAttributes(const THidHandle& handle, THidAttributes& attributes) {
  if (!handle.file.Valid()) {
    errno = EBADF;
    return false;
  }
  HIDD_ATTRIBUTES raw{};
  raw.Size = sizeof raw;
  if (!HidD_GetAttributes(FileOf(handle), &raw)) return Fail(GetLastError());
  attributes.VendorID = raw.VendorID;
  attributes.ProductID = raw.ProductID;
  attributes.VersionNumber = raw.VersionNumber;
  return true;
}

bool GetDescriptorInfo(const THidHandle& handle, THidDescriptorInfo& info) {
  if (!handle.file.Valid()) {
    errno = EBADF;
    return false;
  }
  TPreparsed preparsed(FileOf(handle));
  if (!preparsed.get()) return Fail(GetLastError());
  HIDP_CAPS caps{};
  if (HidP_GetCaps(preparsed.get(), &caps) != HIDP_STATUS_SUCCESS) {
    errno = EIO;
    return false;
  }
  info = THidDescriptorInfo{};
  info.UsagePage = caps.UsagePage;
  info.Usage = caps.Usage;
  info.InputReportByteLength = caps.InputReportByteLength;
  info.OutputReportByteLength = caps.OutputReportByteLength;
  info.FeatureReportByteLength = caps.FeatureReportByteLength;
  info.Collections = caps.NumberLinkCollectionNodes;
  info.ButtonCaps[0] = caps.NumberInputButtonCaps;
  info.ValueCaps[0] = caps.NumberInputValueCaps;
  info.DataIndices[0] = caps.NumberInputDataIndices;
  info.ButtonCaps[1] = caps.NumberOutputButtonCaps;
  info.ValueCaps[1] = caps.NumberOutputValueCaps;
  info.DataIndices[1] = caps.NumberOutputDataIndices;
  info.ButtonCaps[2] = caps.NumberFeatureButtonCaps;
  info.ValueCaps[2] = caps.NumberFeatureValueCaps;
  info.DataIndices[2] = caps.NumberFeatureDataIndices;
  info.Numbered = NumberedReports(preparsed.get(), HidP_Input, caps.NumberInputButtonCaps,
                                  caps.NumberInputValueCaps) ||
                  NumberedReports(preparsed.get(), HidP_Output, caps.NumberOutputButtonCaps,
                                  caps.NumberOutputValueCaps) ||
                  NumberedReports(preparsed.get(), HidP_Feature, caps.NumberFeatureButtonCaps,
                                  caps.NumberFeatureValueCaps);
  return true;
}

bool SetNumInputBuffers(const THidHandle& handle, int count) {
  if (!handle.file.Valid()) {
    errno = EBADF;
    return false;
  }
  if (count <= 0) {
    errno = EINVAL;
    return false;
  }
  if (!HidD_SetNumInputBuffers(FileOf(handle), static_cast<ULONG>(count)))
    return Fail(GetLastError());
  return true;
}

bool GetNumInputBuffers(const THidHandle& handle, int& count) {
  if (!handle.file.Valid()) {
    errno = EBADF;
    return false;
  }
  ULONG buffers = 0;
  if (!HidD_GetNumInputBuffers(FileOf(handle), &buffers)) return Fail(GetLastError());
  count = static_cast<int>(buffers);
  return true;
}

}  // namespace HidWindows
