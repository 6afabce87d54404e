#include <cerrno>

#include "hid/HidPlatform.h"

namespace {

// Windows, until its backend on SetupAPI and hid.dll is written: a system with no HID
// interface at all. The controller lists nothing, so the window reports that no board is
// connected; nothing here blocks, and every call on a device fails as on a device that is
// gone.
class TNoHidPlatform : public THidPlatform {
 public:
  bool BindSetupServices() override { return true; }
  void ReleaseSetupServices() override {}
  bool EnumerateInterfaces(std::vector<THidInterfaceRecord>& records) override {
    records.clear();
    return true;
  }
  int OpenChangeMonitor() override { return -1; }
  bool DrainChangeEvents(int) override { return false; }
  void CloseChangeMonitor(int) override {}

  THidHandle Open(const std::string&, THidAccess) override { return Gone<THidHandle>({}); }
  void Close(THidHandle& handle) override { handle = {}; }
  bool Write(const THidHandle&, const uint8_t*, uint32_t, uint32_t& written) override {
    written = 0;
    return Gone(false);
  }
  THidReadResult Read(const THidHandle&, uint8_t*, uint32_t, bool, int, int) override {
    return Gone(THidReadResult{THidReadStatus::Failed, 0, ENODEV});
  }
  bool GetAttributes(const THidHandle&, THidAttributes&) override { return Gone(false); }
  bool GetReportDescriptor(const THidHandle&, std::vector<uint8_t>&) override {
    return Gone(false);
  }
  bool SetNumInputBuffers(const THidHandle&, int) override { return Gone(false); }
  bool GetNumInputBuffers(const THidHandle&, int&) override { return Gone(false); }

 private:
  template <typename T>
  static T Gone(T answer) {
    errno = ENODEV;
    return answer;
  }
};

}  // namespace

std::shared_ptr<THidPlatform> SystemHidPlatform() {
  static std::shared_ptr<THidPlatform> platform = std::make_shared<TNoHidPlatform>();
  return platform;
}
