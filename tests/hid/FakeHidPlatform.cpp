#include "FakeHidPlatform.h"

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "hid/HidLinux.h"

namespace {
constexpr int kDefaultQueueLength = 32;
}

std::vector<uint8_t> NumberedDescriptor() {
  return {0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x85, 0x05,
          0x75, 0x08, 0x95, 0x02, 0x09, 0x01, 0x81, 0x02, 0xc0};
}

TFakeHidPlatform::TFakeHidPlatform() : monitorFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TFakeHidPlatform::~TFakeHidPlatform() {
  Unwedge();
  for (auto& [path, node] : nodes_) {
    if (node.deviceEnd >= 0) close(node.deviceEnd);
    if (node.testEnd >= 0) close(node.testEnd);
  }
  close(monitorFd_);
}

std::string TFakeHidPlatform::Plug(const TInterface& iface) {
  std::lock_guard lock(mutex_);
  TNode node;
  node.iface = iface;
  int pair[2];
  socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair);
  node.deviceEnd = pair[0];
  node.testEnd = pair[1];
  const std::string path = "/dev/hidraw" + std::to_string(nextNumber_);
  node.instance = "/sys/devices/fake/hid." + std::to_string(nextNumber_++);
  nodes_.emplace_back(path, std::move(node));
  return path;
}

void TFakeHidPlatform::Unplug(const std::string& path) {
  std::lock_guard lock(mutex_);
  TNode* node = Find(path);
  node->present = false;
  close(node->testEnd);  // readers see the hang-up
  node->testEnd = -1;
}

TFakeHidPlatform::TInterface& TFakeHidPlatform::Interface(const std::string& path) {
  std::lock_guard lock(mutex_);
  return Find(path)->iface;
}

void TFakeHidPlatform::SendReport(const std::string& path, const std::vector<uint8_t>& report) {
  std::lock_guard lock(mutex_);
  (void)!send(Find(path)->testEnd, report.data(), report.size(), MSG_NOSIGNAL);
}

std::vector<std::vector<uint8_t>> TFakeHidPlatform::Written(const std::string& path) {
  std::lock_guard lock(mutex_);
  return Find(path)->written;
}

void TFakeHidPlatform::SignalChange() {
  const uint64_t one = 1;
  (void)!write(monitorFd_, &one, sizeof one);
}

void TFakeHidPlatform::Unwedge() {
  {
    std::lock_guard lock(mutex_);
    unwedge_ = true;
  }
  unwedged_.notify_all();
}

int TFakeHidPlatform::Opens(const std::string& path, THidAccess access) {
  std::lock_guard lock(mutex_);
  TNode* node = Find(path);
  return node ? node->opens[access] : 0;
}

int TFakeHidPlatform::OpenFiles(const std::string& path) {
  std::lock_guard lock(mutex_);
  TNode* node = Find(path);
  return node ? node->openFiles : 0;
}

THidAccessRemedy TFakeHidPlatform::AccessRemedy(int openError) const {
  remedyAskedFor = openError;
  const auto found = remedies.find(openError);
  return found != remedies.end() ? found->second : accessRemedy;
}

TFakeHidPlatform::TNode* TFakeHidPlatform::Find(const std::string& path) {
  // The newest node of that path: a re-plugged device may come back under an old name.
  for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it)
    if (it->first == path) return &it->second;
  return nullptr;
}

bool TFakeHidPlatform::BindSetupServices() {
  if (bindFails) return false;
  ++bindCount;
  return true;
}

void TFakeHidPlatform::ReleaseSetupServices() {
  --bindCount;
}

bool TFakeHidPlatform::EnumerateInterfaces(std::vector<THidInterfaceRecord>& records) {
  std::lock_guard lock(mutex_);
  ++enumerations;
  records.clear();
  for (auto& [path, node] : nodes_)
    if (node.present) records.push_back({node.instance, path, node.iface.name});
  return true;
}

bool TFakeHidPlatform::DrainChangeEvents(TSystemHandle monitor) {
  uint64_t count;
  return read(monitor.Descriptor(), &count, sizeof count) > 0;
}

THidHandle TFakeHidPlatform::Open(const std::string& path, THidAccess access) {
  std::lock_guard lock(mutex_);
  THidHandle handle;
  handle.path = path;
  TNode* node = Find(path);
  if (node && node->iface.openRaises) throw std::runtime_error("out of memory for the node");
  if (!node || !node->present || node->iface.openFails) {
    errno = ENOENT;
    return handle;
  }
  ++node->opens[access];
  if (access == THidAccess::QueryOnly) {
    handle.queryOnly = true;
    return handle;
  }
  if (access == THidAccess::ReadWrite && !node->iface.readWrite) {
    errno = node->iface.readWriteError;
    return handle;
  }
  handle.file = TSystemHandle::FromDescriptor(dup(node->deviceEnd));
  ++openHandles;
  ++node->openFiles;
  node->queueLength[handle.file.Descriptor()] = kDefaultQueueLength;
  return handle;
}

void TFakeHidPlatform::Close(THidHandle& handle) {
  std::lock_guard lock(mutex_);
  if (handle.file.Valid()) {
    close(handle.file.Descriptor());
    --openHandles;
    if (TNode* node = Find(handle.path)) --node->openFiles;
  }
  handle = THidHandle{};
}

bool TFakeHidPlatform::Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length,
                             uint32_t& written) {
  written = 0;
  {
    std::unique_lock lock(mutex_);
    TNode* node = Find(handle.path);
    if (!handle.file.Valid()) {
      errno = handle.queryOnly ? EACCES : EBADF;
      return false;
    }
    if (!node || !node->present) {
      errno = ENODEV;
      return false;
    }
    if (node->iface.wedged) {
      unwedged_.wait(lock, [this] { return unwedge_; });
      errno = ETIMEDOUT;
      return false;
    }
    node->written.emplace_back(buffer, buffer + length);
  }
  written = length;
  if (onWrite) onWrite(handle.path, std::vector<uint8_t>(buffer, buffer + length));
  return true;
}

THidReadResult TFakeHidPlatform::Read(const THidHandle& handle, uint8_t* buffer, uint32_t length,
                                      bool prependReportId, int timeoutMs, TSystemHandle wake) {
  bool wedged;
  {
    std::lock_guard lock(mutex_);
    TNode* node = Find(handle.path);
    wedged = node && node->iface.wedged;
  }
  // Nothing ever comes: the read waits as long as it may, or until woken.
  if (wedged)
    return ReadReportFromFd(-1, buffer, length, prependReportId, timeoutMs, wake.Descriptor());
  return ReadReportFromFd(handle.file.Descriptor(), buffer, length, prependReportId, timeoutMs,
                          wake.Descriptor());
}

bool TFakeHidPlatform::GetAttributes(const THidHandle& handle, THidAttributes& attributes) {
  std::lock_guard lock(mutex_);
  TNode* node = Find(handle.path);
  if (!node || !node->present || node->iface.identifyFails) {
    errno = ENODEV;
    return false;
  }
  attributes = node->iface.attributes;
  return true;
}

bool TFakeHidPlatform::GetDescriptorInfo(const THidHandle& handle, THidDescriptorInfo& info) {
  std::lock_guard lock(mutex_);
  TNode* node = Find(handle.path);
  if (!node || !node->present) {
    errno = ENODEV;
    return false;
  }
  info = ParseReportDescriptor(node->iface.descriptor.data(), node->iface.descriptor.size());
  return true;
}

bool TFakeHidPlatform::SetNumInputBuffers(const THidHandle& handle, int count) {
  std::lock_guard lock(mutex_);
  ++setBufferCalls;
  TNode* node = Find(handle.path);
  if (!handle.file.Valid() || !node) {
    errno = EBADF;
    return false;
  }
  node->queueLength[handle.file.Descriptor()] = count;
  return true;
}

bool TFakeHidPlatform::GetNumInputBuffers(const THidHandle& handle, int& count) {
  std::lock_guard lock(mutex_);
  TNode* node = Find(handle.path);
  if (!handle.file.Valid() || !node) {
    errno = EBADF;
    return false;
  }
  count = node->queueLength[handle.file.Descriptor()];
  return true;
}
