#include "SetupApiLinux.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <map>

#include "hid/ModuleLoaderLinux.h"

namespace SetupApiLinux {
namespace {

// The largest report descriptor we read from sysfs; the kernel's limit is 4 KiB.
constexpr size_t kMaxDescriptorBytes = 64 * 1024;

TUdevEntries entries{};
TModuleLoader loader;
int bindCount = 0;
udev* context = nullptr;
// One monitor per watcher, by its descriptor: a monitor shared between two controllers
// would hand each event to whichever drained it first, and closing it for one would
// deafen the other.
std::map<int, udev_monitor*> monitors;
std::string libraryName = "libudev.so.1";

#define SETUP_ENTRY(name)                            \
  TModuleLoader::TEntry {                            \
#name, reinterpret_cast < void**>(&entries.name) \
  }
const std::array kEntryTable = {
    SETUP_ENTRY(udev_new),
    SETUP_ENTRY(udev_unref),
    SETUP_ENTRY(udev_enumerate_new),
    SETUP_ENTRY(udev_enumerate_add_match_subsystem),
    SETUP_ENTRY(udev_enumerate_scan_devices),
    SETUP_ENTRY(udev_enumerate_get_list_entry),
    SETUP_ENTRY(udev_enumerate_unref),
    SETUP_ENTRY(udev_list_entry_get_next),
    SETUP_ENTRY(udev_list_entry_get_name),
    SETUP_ENTRY(udev_device_new_from_syspath),
    SETUP_ENTRY(udev_device_new_from_subsystem_sysname),
    SETUP_ENTRY(udev_device_get_parent_with_subsystem_devtype),
    SETUP_ENTRY(udev_device_get_devnode),
    SETUP_ENTRY(udev_device_get_syspath),
    SETUP_ENTRY(udev_device_get_sysattr_value),
    SETUP_ENTRY(udev_device_get_property_value),
    SETUP_ENTRY(udev_device_unref),
    SETUP_ENTRY(udev_monitor_new_from_netlink),
    SETUP_ENTRY(udev_monitor_filter_add_match_subsystem_devtype),
    SETUP_ENTRY(udev_monitor_enable_receiving),
    SETUP_ENTRY(udev_monitor_get_fd),
    SETUP_ENTRY(udev_monitor_receive_device),
    SETUP_ENTRY(udev_monitor_unref),
};
#undef SETUP_ENTRY

// A udev device that unrefs itself.
class TUdevDevice {
 public:
  explicit TUdevDevice(udev_device* device) : device_(device) {}
  ~TUdevDevice() {
    if (device_) entries.udev_device_unref(device_);
  }
  TUdevDevice(const TUdevDevice&) = delete;
  TUdevDevice& operator=(const TUdevDevice&) = delete;
  udev_device* get() const { return device_; }
  explicit operator bool() const { return device_ != nullptr; }

 private:
  udev_device* device_;
};

// The hidraw device of a node such as /dev/hidraw3.
TUdevDevice HidrawOf(const std::string& devnode) {
  if (!context) return TUdevDevice(nullptr);
  const size_t slash = devnode.rfind('/');
  const std::string sysname = slash == std::string::npos ? devnode : devnode.substr(slash + 1);
  return TUdevDevice(
      entries.udev_device_new_from_subsystem_sysname(context, "hidraw", sysname.c_str()));
}

// The parent of subsystem hid: it carries HID_ID and the report descriptor. Owned by the
// child; valid while the child is.
udev_device* HidParentOf(const TUdevDevice& hidraw) {
  if (!hidraw) return nullptr;
  return entries.udev_device_get_parent_with_subsystem_devtype(hidraw.get(), "hid", nullptr);
}

}  // namespace

void SetLibraryName(const std::string& name) {
  libraryName = name;
}

bool Bind() {
  if (bindCount > 0) {
    ++bindCount;
    return true;
  }
  if (!loader.Load(libraryName, kEntryTable)) return false;
  context = entries.udev_new();
  if (!context) {
    loader.Release();
    return false;
  }
  bindCount = 1;
  return true;
}

void Release() {
  if (bindCount == 0 || --bindCount > 0) return;
  for (const auto& [fd, monitor] : monitors) entries.udev_monitor_unref(monitor);
  monitors.clear();
  entries.udev_unref(context);
  context = nullptr;
  loader.Release();
}

bool Bound() {
  return bindCount > 0;
}

bool EnumerateHidraw(std::vector<THidInterfaceRecord>& records) {
  records.clear();
  if (!context) return false;
  udev_enumerate* enumerate = entries.udev_enumerate_new(context);
  if (!enumerate) return false;
  bool ok = entries.udev_enumerate_add_match_subsystem(enumerate, "hidraw") >= 0 &&
            entries.udev_enumerate_scan_devices(enumerate) >= 0;
  for (udev_list_entry* item = ok ? entries.udev_enumerate_get_list_entry(enumerate) : nullptr;
       item; item = entries.udev_list_entry_get_next(item)) {
    TUdevDevice hidraw(
        entries.udev_device_new_from_syspath(context, entries.udev_list_entry_get_name(item)));
    udev_device* hid = HidParentOf(hidraw);
    const char* devnode = hidraw ? entries.udev_device_get_devnode(hidraw.get()) : nullptr;
    const char* instance = hid ? entries.udev_device_get_syspath(hid) : nullptr;
    if (!devnode || !instance) continue;  // vanished meanwhile, or not an HID device
    const char* name = entries.udev_device_get_property_value(hid, "HID_NAME");
    records.push_back({instance, devnode, name ? name : ""});
  }
  entries.udev_enumerate_unref(enumerate);
  return ok;
}

std::optional<THidAttributes> AttributesOf(const std::string& devnode) {
  TUdevDevice hidraw = HidrawOf(devnode);
  udev_device* hid = HidParentOf(hidraw);
  const char* id = hid ? entries.udev_device_get_property_value(hid, "HID_ID") : nullptr;
  unsigned bus = 0, vendor = 0, product = 0;
  if (!id || std::sscanf(id, "%x:%x:%x", &bus, &vendor, &product) != 3) {
    errno = ENODEV;
    return std::nullopt;
  }
  THidAttributes attributes;
  attributes.VendorID = static_cast<uint16_t>(vendor);
  attributes.ProductID = static_cast<uint16_t>(product);
  attributes.VersionNumber = VersionOf(devnode);
  return attributes;
}

uint16_t VersionOf(const std::string& devnode) {
  TUdevDevice hidraw = HidrawOf(devnode);
  if (!hidraw) return 0;
  udev_device* usb =
      entries.udev_device_get_parent_with_subsystem_devtype(hidraw.get(), "usb", "usb_device");
  const char* bcd = usb ? entries.udev_device_get_sysattr_value(usb, "bcdDevice") : nullptr;
  return bcd ? static_cast<uint16_t>(std::strtoul(bcd, nullptr, 16)) : 0;
}

std::optional<std::vector<uint8_t>> ReportDescriptorOf(const std::string& devnode) {
  TUdevDevice hidraw = HidrawOf(devnode);
  udev_device* hid = HidParentOf(hidraw);
  const char* syspath = hid ? entries.udev_device_get_syspath(hid) : nullptr;
  if (!syspath) {
    errno = ENODEV;
    return std::nullopt;
  }
  const std::string file = std::string(syspath) + "/report_descriptor";
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::vector<uint8_t> descriptor;
  uint8_t chunk[4096];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    // Longer than any device can have: a cut-off descriptor would give wrong report
    // lengths without a sign of it, so none is given.
    if (descriptor.size() + size_t(n) > kMaxDescriptorBytes) {
      close(fd);
      errno = EFBIG;
      return std::nullopt;
    }
    descriptor.insert(descriptor.end(), chunk, chunk + n);
  }
  close(fd);
  return descriptor;
}

int OpenMonitor() {
  if (!context) return -1;
  struct stat info;
  const char* source = stat("/run/udev/control", &info) == 0 ? "udev" : "kernel";
  udev_monitor* monitor = entries.udev_monitor_new_from_netlink(context, source);
  if (!monitor) return -1;
  const int fd = entries.udev_monitor_get_fd(monitor);
  if (fd < 0 ||
      entries.udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
      entries.udev_monitor_enable_receiving(monitor) < 0) {
    entries.udev_monitor_unref(monitor);
    return -1;
  }
  monitors[fd] = monitor;
  return fd;
}

bool DrainMonitor(int fd) {
  const auto found = monitors.find(fd);
  if (found == monitors.end()) return false;
  udev_monitor* monitor = found->second;
  bool relevant = false;
  // The kernel source filters in user space: a non-matching event reads as no device, so
  // read on while the socket has anything left.
  for (int guard = 0; guard < 100000; ++guard) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) break;
    if (udev_device* device = entries.udev_monitor_receive_device(monitor)) {
      relevant = true;
      entries.udev_device_unref(device);
    }
  }
  return relevant;
}

void CloseMonitor(int fd) {
  const auto found = monitors.find(fd);
  if (found == monitors.end()) return;
  entries.udev_monitor_unref(found->second);
  monitors.erase(found);
}

int OpenMonitorCount() {
  return static_cast<int>(monitors.size());
}

}  // namespace SetupApiLinux
