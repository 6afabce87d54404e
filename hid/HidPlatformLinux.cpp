#include <cerrno>

#include "hid/HidLinux.h"
#include "hid/HidPlatform.h"
#include "hid/SetupApiLinux.h"

namespace {

// udev for device setup and for what sysfs knows without access to a node; hidraw for the
// rest.
class TLinuxHidPlatform : public THidPlatform {
 public:
  bool BindSetupServices() override { return SetupApiLinux::Bind(); }
  void ReleaseSetupServices() override { SetupApiLinux::Release(); }
  bool EnumerateInterfaces(std::vector<THidInterfaceRecord>& records) override {
    return SetupApiLinux::EnumerateHidraw(records);
  }
  TSystemHandle OpenChangeMonitor() override {
    return TSystemHandle::FromDescriptor(SetupApiLinux::OpenMonitor());
  }
  bool DrainChangeEvents(TSystemHandle monitor) override {
    return SetupApiLinux::DrainMonitor(monitor.Descriptor());
  }
  void CloseChangeMonitor(TSystemHandle monitor) override {
    SetupApiLinux::CloseMonitor(monitor.Descriptor());
  }

  THidHandle Open(const std::string& path, THidAccess access) override {
    return HidLinux::Open(path, access);
  }
  void Close(THidHandle& handle) override { HidLinux::Close(handle); }
  bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length,
             uint32_t& written) override {
    return HidLinux::Write(handle, buffer, length, written);
  }
  THidReadResult Read(const THidHandle& handle, uint8_t* buffer, uint32_t length,
                      bool prependReportId, int timeoutMs, TSystemHandle wake) override {
    // A query-only handle has no file to wait on: without this it would only time out.
    if (!handle.file.Valid()) return {THidReadStatus::Failed, 0, EBADF};
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
        HidLinux::GetRawIdentity(handle, attributes.VendorID, attributes.ProductID)) {
      attributes.VersionNumber = SetupApiLinux::VersionOf(handle.path);
      return true;
    }
    auto fromSysfs = SetupApiLinux::AttributesOf(handle.path);
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
    if (!handle.file.Valid() || !HidLinux::GetReportDescriptor(handle, descriptor)) {
      auto fromSysfs = SetupApiLinux::ReportDescriptorOf(handle.path);
      if (!fromSysfs) return false;
      descriptor = std::move(*fromSysfs);
    }
    info = ParseReportDescriptor(descriptor.data(), descriptor.size());
    return true;
  }
  bool SetNumInputBuffers(const THidHandle& handle, int count) override {
    return HidLinux::SetNumInputBuffers(handle, count);
  }
  bool GetNumInputBuffers(const THidHandle& handle, int& count) override {
    return HidLinux::GetNumInputBuffers(handle, count);
  }
  // Another program can't hold a hidraw node for itself: what stands in the way is the
  // node's permissions (a udev rule gives them), whatever the error.
  THidAccessRemedy AccessRemedy(int) const override { return THidAccessRemedy::CheckPermissions; }
  bool ReadWriteHandlesStandInTheWay() const override { return false; }
};

}  // namespace

std::shared_ptr<THidPlatform> LinuxHidPlatform() {
  static std::shared_ptr<THidPlatform> platform = std::make_shared<TLinuxHidPlatform>();
  return platform;
}

std::shared_ptr<THidPlatform> SystemHidPlatform() {
  return LinuxHidPlatform();
}
