#include <cerrno>

#include "hid/HidPlatform.h"
#include "hid/HidWindows.h"
#include "hid/SetupApiWindows.h"

namespace {

// SetupAPI for device setup and the change notices; hid.dll and overlapped file I/O for the
// rest. Both are part of every Windows, linked rather than loaded by name: there is no
// system without them to start on.
class TWindowsHidPlatform : public THidPlatform {
 public:
  bool BindSetupServices() override { return true; }
  void ReleaseSetupServices() override {}
  bool EnumerateInterfaces(std::vector<THidInterfaceRecord>& records) override {
    return SetupApiWindows::EnumerateHid(records);
  }
  TSystemHandle OpenChangeMonitor() override { return SetupApiWindows::OpenMonitor(); }
  bool DrainChangeEvents(TSystemHandle monitor) override {
    return SetupApiWindows::DrainMonitor(monitor);
  }
  void CloseChangeMonitor(TSystemHandle monitor) override {
    SetupApiWindows::CloseMonitor(monitor);
  }

  THidHandle Open(const std::string& path, THidAccess access) override {
    return HidWindows::Open(path, access);
  }
  void Close(THidHandle& handle) override { HidWindows::Close(handle); }
  bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length,
             uint32_t& written) override {
    return HidWindows::Write(handle, buffer, length, written);
  }
  // Windows hands every report over with its id byte, 0 where the device numbers none:
  // there is nothing to prepend.
  THidReadResult Read(const THidHandle& handle, uint8_t* buffer, uint32_t length, bool,
                      int timeoutMs, TSystemHandle wake) override {
    return HidWindows::Read(handle, buffer, length, timeoutMs, wake);
  }

  bool GetAttributes(const THidHandle& handle, THidAttributes& attributes) override {
    return HidWindows::GetAttributes(handle, attributes);
  }
  bool GetDescriptorInfo(const THidHandle& handle, THidDescriptorInfo& info) override {
    return HidWindows::GetDescriptorInfo(handle, info);
  }
  bool SetNumInputBuffers(const THidHandle& handle, int count) override {
    return HidWindows::SetNumInputBuffers(handle, count);
  }
  bool GetNumInputBuffers(const THidHandle& handle, int& count) override {
    return HidWindows::GetNumInputBuffers(handle, count);
  }
  // Any user may open an HID device on Windows unless the machine's policy says otherwise:
  // access denied is such a rule (device control, endpoint security), which only an
  // administrator changes. A sharing violation, and whatever else keeps a present device
  // closed, is another program that opened it without sharing. (Wine enforces neither: its
  // device files open for anyone, however another program opened them.)
  THidAccessRemedy AccessRemedy(int openError) const override {
    return openError == EACCES ? THidAccessRemedy::AskAdministrator
                               : THidAccessRemedy::CloseOtherPrograms;
  }
  bool ReadWriteHandlesStandInTheWay() const override { return true; }
};

}  // namespace

std::shared_ptr<THidPlatform> WindowsHidPlatform() {
  static std::shared_ptr<THidPlatform> platform = std::make_shared<TWindowsHidPlatform>();
  return platform;
}

std::shared_ptr<THidPlatform> SystemHidPlatform() {
  return WindowsHidPlatform();
}
