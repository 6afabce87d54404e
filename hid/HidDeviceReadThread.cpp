#include "HidDeviceReadThread.h"

#include <algorithm>
#include <cerrno>

#include "framework/Dialogs.h"
#include "hid/HidDevice.h"

THidDeviceReadThread::THidDeviceReadThread(THidDevice* owner,
                                           std::shared_ptr<THidPlatform> platform,
                                           uint32_t reportLength, bool numberedReports)
    : OwnerDevice(owner),
      // Room for the report-id byte and one data byte even where the descriptor declares
      // no input report, so a stray report is still read whole enough to be seen.
      ReportBuffer(std::max<uint32_t>(reportLength, 2)),
      platform_(std::move(platform)),
      numberedReports_(numberedReports) {}

THidDeviceReadThread::~THidDeviceReadThread() {
  Terminate();
  WaitFor();
}

void THidDeviceReadThread::Wake() {
  wake_.Signal();
}

void THidDeviceReadThread::Execute() {
  while (!Terminated()) {
    std::fill(ReportBuffer.begin(), ReportBuffer.end(), 0);
    THidHandle handle;
    if (!OwnerDevice->OpenReadHandle(handle)) {
      ErrorCode = static_cast<uint32_t>(errno);
      Synchronize([this] { DeliverError(); });
      // Not at once again: a detached device with its handler still set would otherwise
      // keep this thread and the main thread busy.
      Pause();
      continue;
    }
    const THidReadResult result =
        platform_->Read(handle, ReportBuffer.data(), static_cast<uint32_t>(ReportBuffer.size()),
                        !numberedReports_, OwnerDevice->ReadSleepTime(), wake_.Object());
    OwnerDevice->LeaveReadWait();
    if (Terminated()) break;
    switch (result.status) {
      case THidReadStatus::Completed:
        BytesRead = result.bytes;
        if (BytesRead > 0) Synchronize([this] { DeliverReport(); });
        break;
      case THidReadStatus::Failed:
        // The device is gone (or going); the controller's next pass detaches it. Until
        // then the dead handle answers every read at once, so wait between tries.
        BytesRead = 0;
        Pause();
        break;
      case THidReadStatus::TimedOut:
      case THidReadStatus::Woken:
        break;
    }
  }
}

void THidDeviceReadThread::DeliverReport() {
  const THidDataEvent handler = OwnerDevice->OnInputReport();
  if (!handler) return;
  const auto size = static_cast<uint16_t>(BytesRead - 1);
  // A handler that raises is reported on the main thread; reading goes on.
  RunHandlerGuarded([&] { handler(OwnerDevice, ReportBuffer[0], ReportBuffer.data() + 1, size); });
}

void THidDeviceReadThread::DeliverError() {
  const THidDataErrorEvent handler = OwnerDevice->OnReadError();
  if (handler) RunHandlerGuarded([&] { handler(OwnerDevice, ErrorCode); });
}

void THidDeviceReadThread::Pause() {
  wake_.Sleep(OwnerDevice->ReadSleepTime());
}
