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
  TSystemHandle OpenChangeMonitor() override {
    return TSystemHandle::FromDescriptor(SetupApi::OpenMonitor());
  }
  bool DrainChangeEvents(TSystemHandle monitor) override {
    return SetupApi::DrainMonitor(monitor.Descriptor());
  }
  void CloseChangeMonitor(TSystemHandle monitor) override {
    SetupApi::CloseMonitor(monitor.Descriptor());
  }

  THidHandle Open(const std::string& path, THidAccess access) override {
    return Hid::Open(path, access);
  }
  void Close(THidHandle& handle) override { Hid::Close(handle); }
  bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length,
             uint32_t& written) override {
    return Hid::Write(handle, buffer, length, written);
  }
  THidReadResult Read(const THidHandle& handle, uint8_t* buffer, uint32_t length,
                      bool prependReportId, int timeoutMs, TSystemHandle wake) override {
    return ReadReportFromFd(handle.file.Descriptor(), buffer, length, prependReportId, timeoutMs,
                            wake.Descriptor());
  }

  // An open file asks the kernel; without one (query-only), or where the kernel's answer
  // can't be had, sysfs tells the same without any permission on the node.
  bool GetAttributes(const THidHandle& handle, THidAttributes& attributes) override {
    if (!handle.Valid()) {
      errno = EBADF;
      return false;
    }
    if (handle.file.Valid() &&
        Hid::GetRawIdentity(handle, attributes.VendorID, attributes.ProductID)) {
      attributes.VersionNumber = SetupApi::VersionOf(handle.path);
      return true;
    }
    auto fromSysfs = SetupApi::AttributesOf(handle.path);
    if (!fromSysfs) return false;
    attributes = *fromSysfs;
    return true;
  }
  // The kernel hands out the descriptor itself, which our own parser reads.
  bool GetDescriptorInfo(const THidHandle& handle, THidDescriptorInfo& info) override {
    if (!handle.Valid()) {
      errno = EBADF;
      return false;
    }
    std::vector<uint8_t> descriptor;
    if (!handle.file.Valid() || !Hid::GetReportDescriptor(handle, descriptor)) {
      auto fromSysfs = SetupApi::ReportDescriptorOf(handle.path);
      if (!fromSysfs) return false;
      descriptor = std::move(*fromSysfs);
    }
    info = ParseReportDescriptor(descriptor.data(), descriptor.size());
    return true;
  }
  bool SetNumInputBuffers(const THidHandle& handle, int count) override {
    return Hid::SetNumInputBuffers(handle, count);
  }
  bool GetNumInputBuffers(const THidHandle& handle, int& count) override {
    return Hid::GetNumInputBuffers(handle, count);
  }
  // Another program can't hold a hidraw node for itself: what stands in the way is the
  // node's permissions (a udev rule gives them).
  THidAccessRemedy AccessRemedy() const override { return THidAccessRemedy::CheckPermissions; }
};

}  // namespace

std::shared_ptr<THidPlatform> LinuxHidPlatform() {
  static std::shared_ptr<THidPlatform> platform = std::make_shared<TLinuxHidPlatform>();
  return platform;
}

std::shared_ptr<THidPlatform> SystemHidPlatform() {
  return LinuxHidPlatform();
}
