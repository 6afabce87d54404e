#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Thread.h"
#include "framework/WakeEvent.h"
#include "hid/HidPlatform.h"

class THidDevice;

// The background reader of one claimed device: waits for input reports on the device's
// read handle and hands each, with its leading report-id byte, to the device's handler on
// the main thread, waiting until the handler has run. Waits last at most ReadSleepTime, and
// every wait ends at once when the reader is told to stop or to let go of the handle.
class THidDeviceReadThread : public TThread {
 public:
  THidDeviceReadThread(THidDevice* owner, std::shared_ptr<THidPlatform> platform,
                       uint32_t reportLength, bool numberedReports);
  ~THidDeviceReadThread() override;

  // Ends the current wait early (stop request, or the handle is about to close).
  void Wake();

  THidDevice* const OwnerDevice;
  uint32_t BytesRead = 0;
  uint32_t ErrorCode = 0;
  std::vector<uint8_t> ReportBuffer;

 protected:
  void Execute() override;
  void TerminateRequested() override { Wake(); }

 private:
  void DeliverReport();
  void DeliverError();
  // Sleeps up to ReadSleepTime; a stop request ends it early.
  void Pause();

  std::shared_ptr<THidPlatform> platform_;
  const bool numberedReports_;
  TWakeEvent wake_;
};
