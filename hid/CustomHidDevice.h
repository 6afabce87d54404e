#pragma once

#include <cstdint>

#include "framework/Component.h"
#include "hid/HidTypes.h"

// What an application may do with an HID interface it has claimed. The real device and any
// stand-in for it meet these operations; the application needs nothing else.
class TCustomHidDevice : public TObject {
 public:
  // Destroying a claimed device gives it back to its controller.
  ~TCustomHidDevice() override = default;

  virtual THidAttributes Identity() const = 0;
  // Ask for that many input reports to be queued on the main and on the read path.
  virtual void SetInputBufferCount(int count) = 0;
  virtual void SetReadBufferCount(int count) = 0;
  virtual THidPCaps Capabilities() = 0;
  // False where the interface could only be opened for queries (no permission on its
  // node, or another program holds it): it is listed and identified, but can't be written to or
  // read from.
  virtual bool CanReadWrite() const = 0;
  // Where it can't, what the user can do about it.
  virtual THidAccessRemedy AccessRemedy() const = 0;
  // Writes one output report of toWrite bytes (byte 0 is the report id); blocks until the
  // write has finished or failed and answers whether it succeeded.
  virtual bool WriteReport(const uint8_t* buffer, uint32_t toWrite, uint32_t& written) = 0;

  // Input reports reach this handler on the main thread, once each, in arrival order,
  // only while the main thread processes messages. An empty handler stops them.
  virtual THidDataEvent OnInputReport() const = 0;
  virtual void SetOnInputReport(THidDataEvent handler) = 0;
};
