#include "hid/Hid.h"
#include "hid/HidPlatform.h"
#include "hid/SetupApi.h"

namespace {

// udev for device setup and for what sysfs knows without access to a node; hidraw for the
// rest.
class TLinuxHidPlatform : public THidPlatform {
 public:
  bool BindSetupServices() override { return SetupApi::Bind(); }
  void ReleaseSetupServices() override { SetupApi::Release(); }
  bool EnumerateInterfaces(std::vector<THidInterfaceRecord>& records) override {
    return SetupApi::EnumerateHidraw(records);
  }
  int OpenChangeMonitor() override { return SetupApi::OpenMonitor(); }
  bool DrainChangeEvents(int monitor) override { return SetupApi::DrainMonitor(monitor); }
  void CloseChangeMonitor(int monitor) override { SetupApi::CloseMonitor(monitor); }

  THidHandle Open(const std::string& path, THidAccess access) override {
    return Hid::Open(path, access);
  }
  void Close(THidHandle& handle) override { Hid::Close(handle); }
  bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length,
             uint32_t& written) override {
    return Hid::Write(handle, buffer, length, written);
  }
  THidReadResult Read(const THidHandle& handle, uint8_t* buffer, uint32_t length,
                      bool prependReportId, int timeoutMs, int wakeFd) override {
    return ReadReportFromFd(handle.fd, buffer, length, prependReportId, timeoutMs, wakeFd);
  }

  // An open file asks the kernel; without one (query-only), or where the kernel's answer
  // can't be had, sysfs tells the same without any permission on the node.
  bool GetAttributes(const THidHandle& handle, THidAttributes& attributes) override {
    if (!handle.Valid()) {
      errno = EBADF;
      return false;
    }
    if (handle.fd >= 0 && Hid::GetRawIdentity(handle, attributes.VendorID, attributes.ProductID)) {
      attributes.VersionNumber = SetupApi::VersionOf(handle.path);
      return true;
    }
    auto fromSysfs = SetupApi::AttributesOf(handle.path);
    if (!fromSysfs) return false;
    attributes = *fromSysfs;
    return true;
  }
  bool GetReportDescriptor(const THidHandle& handle, std::vector<uint8_t>& descriptor) override {
    if (!handle.Valid()) {
      errno = EBADF;
      return false;
    }
    if (handle.fd >= 0 && Hid::GetReportDescriptor(handle, descriptor)) return true;
    auto fromSysfs = SetupApi::ReportDescriptorOf(handle.path);
    if (!fromSysfs) return false;
    descriptor = std::move(*fromSysfs);
    return true;
  }
  bool SetNumInputBuffers(const THidHandle& handle, int count) override {
    return Hid::SetNumInputBuffers(handle, count);
  }
  bool GetNumInputBuffers(const THidHandle& handle, int& count) override {
    return Hid::GetNumInputBuffers(handle, count);
  }
};

}  // namespace

std::shared_ptr<THidPlatform> LinuxHidPlatform() {
  static std::shared_ptr<THidPlatform> platform = std::make_shared<TLinuxHidPlatform>();
  return platform;
}

std::shared_ptr<THidPlatform> SystemHidPlatform() {
  return LinuxHidPlatform();
}
