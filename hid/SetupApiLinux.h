#pragma once

#include <libudev.h>

#include <optional>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"

// The device-setup services: libudev, loaded by name at run time and bound entry by entry,
// so the program still starts (and lists nothing) on a system without it. Only the
// entries this layer calls are bound.
struct TUdevEntries {
  decltype(&::udev_new) udev_new;
  decltype(&::udev_unref) udev_unref;
  decltype(&::udev_enumerate_new) udev_enumerate_new;
  decltype(&::udev_enumerate_add_match_subsystem) udev_enumerate_add_match_subsystem;
  decltype(&::udev_enumerate_scan_devices) udev_enumerate_scan_devices;
  decltype(&::udev_enumerate_get_list_entry) udev_enumerate_get_list_entry;
  decltype(&::udev_enumerate_unref) udev_enumerate_unref;
  decltype(&::udev_list_entry_get_next) udev_list_entry_get_next;
  decltype(&::udev_list_entry_get_name) udev_list_entry_get_name;
  decltype(&::udev_device_new_from_syspath) udev_device_new_from_syspath;
  decltype(&::udev_device_new_from_subsystem_sysname) udev_device_new_from_subsystem_sysname;
  decltype(&::udev_device_get_parent_with_subsystem_devtype)
      udev_device_get_parent_with_subsystem_devtype;
  decltype(&::udev_device_get_devnode) udev_device_get_devnode;
  decltype(&::udev_device_get_syspath) udev_device_get_syspath;
  decltype(&::udev_device_get_sysattr_value) udev_device_get_sysattr_value;
  decltype(&::udev_device_get_property_value) udev_device_get_property_value;
  decltype(&::udev_device_unref) udev_device_unref;
  decltype(&::udev_monitor_new_from_netlink) udev_monitor_new_from_netlink;
  decltype(&::udev_monitor_filter_add_match_subsystem_devtype)
      udev_monitor_filter_add_match_subsystem_devtype;
  decltype(&::udev_monitor_enable_receiving) udev_monitor_enable_receiving;
  decltype(&::udev_monitor_get_fd) udev_monitor_get_fd;
  decltype(&::udev_monitor_receive_device) udev_monitor_receive_device;
  decltype(&::udev_monitor_unref) udev_monitor_unref;
};

namespace SetupApiLinux {

// Counted: the first bind loads the library and makes the udev context, later binds only
// count, the last release frees both. Main thread only.
bool Bind();
void Release();
bool Bound();
// Tests point the binding at another library name.
void SetLibraryName(const std::string& name);

// The present hidraw interfaces; false when the set cannot be had.
bool EnumerateHidraw(std::vector<THidInterfaceRecord>& records);

// What sysfs knows of an interface by its node, with no access to the node itself.
std::optional<THidAttributes> AttributesOf(const std::string& devnode);
std::optional<std::vector<uint8_t>> ReportDescriptorOf(const std::string& devnode);
// bcdDevice of the USB device above the interface; 0 where there is none (virtual devices).
uint16_t VersionOf(const std::string& devnode);

// Device-node change events of subsystem hidraw. The "udev" source (events after udev has
// set permissions) where a udev daemon runs, else the kernel's own. Every call opens a
// monitor of its own, known by its descriptor; the last Release closes any left open.
int OpenMonitor();
bool DrainMonitor(int fd);
void CloseMonitor(int fd);
int OpenMonitorCount();

}  // namespace SetupApiLinux
