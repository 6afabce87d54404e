#include "HidTestbed.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace {

std::string Own(gchar* text) {
  std::string copy = text ? text : "";
  g_free(text);
  return copy;
}

}  // namespace

THidTestbed::THidTestbed() {
  // umockdev talks a lot at debug level; the tests and tools have their own output.
  g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
  testbed_ = umockdev_testbed_new();
}

THidTestbed::~THidTestbed() {
  for (TNode& node : nodes_) {
    if (node.master >= 0) close(node.master);
    if (node.control >= 0) close(node.control);
  }
  g_object_unref(testbed_);
}

std::string THidTestbed::RootDir() const {
  return Own(umockdev_testbed_get_root_dir(testbed_));
}

int THidTestbed::Add(uint16_t vendor, uint16_t product, const std::vector<uint8_t>& descriptor,
                     bool accessible, bool announce, const std::string& name) {
  const int n = static_cast<int>(nodes_.size());
  TNode node;
  char text[64];
  snprintf(text, sizeof text, "%04x", vendor);
  const std::string vid = text;
  snprintf(text, sizeof text, "%04x", product);
  const std::string pid = text;
  const std::string usbName = "usb" + std::to_string(n);
  node.usb = Own(umockdev_testbed_add_device(testbed_, "usb", usbName.c_str(), nullptr, "idVendor",
                                             vid.c_str(), "idProduct", pid.c_str(), "bcdDevice",
                                             "0110", nullptr, "DEVTYPE", "usb_device", nullptr));
  snprintf(text, sizeof text, "0003:%04X:%04X.%04X", vendor, product, n + 1);
  const std::string hidName = text;
  snprintf(text, sizeof text, "0003:%08X:%08X", vendor, product);
  node.hid =
      Own(umockdev_testbed_add_device(testbed_, "hid", hidName.c_str(), node.usb.c_str(), nullptr,
                                      "HID_ID", text, "HID_NAME", name.c_str(), nullptr));
  umockdev_testbed_set_attribute_binary(testbed_, node.hid.c_str(), "report_descriptor",
                                        const_cast<guint8*>(descriptor.data()),
                                        static_cast<gint>(descriptor.size()));
  // Numbered by device, not by what is plugged now, as the kernel hands out a free
  // minor; the program must match removals by path either way.
  const std::string hidrawName = "hidraw" + std::to_string(n);
  node.devnode = "/dev/" + hidrawName;
  node.hidraw =
      Own(umockdev_testbed_add_device(testbed_, "hidraw", hidrawName.c_str(), node.hid.c_str(),
                                      nullptr, "DEVNAME", node.devnode.c_str(), nullptr));
  const std::string root = RootDir();
  const std::string link = root + node.devnode;
  g_mkdir_with_parents((root + "/dev").c_str(), 0755);
  unlink(link.c_str());
  if (accessible) {
    char slaveName[128];
    if (openpty(&node.master, &node.control, slaveName, nullptr, nullptr) != 0)
      throw std::runtime_error("openpty failed");
    // Programs started from here must not hold the node's ends: an unplug would not hang up.
    fcntl(node.master, F_SETFD, FD_CLOEXEC);
    fcntl(node.control, F_SETFD, FD_CLOEXEC);
    termios raw;
    tcgetattr(node.control, &raw);
    cfmakeraw(&raw);
    raw.c_cc[VMIN] = 64;  // a read gives whole sample blocks
    raw.c_cc[VTIME] = 0;
    tcsetattr(node.control, TCSANOW, &raw);
    if (symlink(slaveName, link.c_str()) != 0) throw std::runtime_error("symlink failed");
  } else if (mkdir(link.c_str(), 0755) != 0) {
    throw std::runtime_error("mkdir failed");
  }
  nodes_.push_back(node);
  if (announce) {
    Announce(n, "add");
  }
  return n;
}

void THidTestbed::Announce(int number, const char* action) {
  const TNode& node = nodes_[number];
  if (std::string(action) == "remove") {
    umockdev_testbed_uevent(testbed_, node.hidraw.c_str(), action);
    umockdev_testbed_uevent(testbed_, node.hid.c_str(), action);
  } else {
    umockdev_testbed_uevent(testbed_, node.hid.c_str(), action);
    umockdev_testbed_uevent(testbed_, node.hidraw.c_str(), action);
  }
}

void THidTestbed::Remove(int number) {
  TNode& node = nodes_[number];
  if (node.hidraw.empty()) return;
  Announce(number, "remove");
  umockdev_testbed_remove_device(testbed_, node.hidraw.c_str());
  umockdev_testbed_remove_device(testbed_, node.hid.c_str());
  umockdev_testbed_remove_device(testbed_, node.usb.c_str());
  unlink((RootDir() + node.devnode).c_str());
  if (node.master >= 0) close(node.master);  // the node hangs up
  if (node.control >= 0) close(node.control);
  node.master = -1;
  node.control = -1;
  node.hidraw.clear();
}
