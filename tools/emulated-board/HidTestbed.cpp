#include "HidTestbed.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

std::string Own(gchar* text) {
  std::string copy = text ? text : "";
  g_free(text);
  return copy;
}

// Writes `size` bytes into the caller's buffer that the ioctl's argument points to.
bool AnswerInto(UMockdevIoctlClient* client, const void* answer, size_t size, long result) {
  GError* error = nullptr;
  UMockdevIoctlData* out =
      umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, &error);
  if (!out) {
    g_clear_error(&error);
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return true;
  }
  std::memcpy(out->data, answer, size);
  umockdev_ioctl_client_complete(client, result, 0);
  g_object_unref(out);
  return true;
}

// The hidraw ioctls a program asks of a node before it uses it; every other request gets
// umockdev's default answer (not supported).
gboolean AnswerHidrawIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
  const auto* identity = static_cast<const THidTestbed::TIdentity*>(data);
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  const std::vector<uint8_t>& descriptor = identity->descriptor;
  if (request == HIDIOCGRDESCSIZE) {
    const int size = static_cast<int>(descriptor.size());
    return AnswerInto(client, &size, sizeof size, 0);
  }
  if (request == HIDIOCGRDESC) {
    hidraw_report_descriptor answer{};
    answer.size =
        static_cast<uint32_t>(std::min<size_t>(descriptor.size(), HID_MAX_DESCRIPTOR_SIZE));
    std::memcpy(answer.value, descriptor.data(), answer.size);
    return AnswerInto(client, &answer, sizeof answer, 0);
  }
  if (request == HIDIOCGRAWINFO) {
    hidraw_devinfo answer{};
    answer.bustype = 3;  // BUS_USB
    answer.vendor = static_cast<int16_t>(identity->vendor);
    answer.product = static_cast<int16_t>(identity->product);
    return AnswerInto(client, &answer, sizeof answer, 0);
  }
  // The strings, of the length the caller gives: the name as in HID_NAME, no phys or uniq.
  if (_IOC_TYPE(request) == 'H' &&
      (_IOC_NR(request) == 0x04 || _IOC_NR(request) == 0x05 || _IOC_NR(request) == 0x08)) {
    const size_t room = _IOC_SIZE(request);
    if (room == 0) return FALSE;
    std::vector<char> answer(room, '\0');
    const char* text = _IOC_NR(request) == 0x04 ? identity->name.c_str() : "";
    std::strncpy(answer.data(), text, room - 1);
    return AnswerInto(client, answer.data(), room,
                      static_cast<long>(std::strlen(answer.data()) + 1));
  }
  return FALSE;
}

}  // namespace

void THidTestbed::AttachIoctls(TNode& node) {
  node.ioctls = umockdev_ioctl_base_new();
  g_signal_connect(node.ioctls, "handle-ioctl", G_CALLBACK(AnswerHidrawIoctl), node.identity.get());
  GError* error = nullptr;
  if (!umockdev_testbed_attach_ioctl(testbed_, node.devnode.c_str(), node.ioctls, &error)) {
    const std::string why = error ? error->message : "unknown error";
    g_clear_error(&error);
    g_object_unref(node.ioctls);
    node.ioctls = nullptr;
    throw std::runtime_error("cannot answer the ioctls of " + node.devnode + ": " + why);
  }
}

// A program that is a session leader without a terminal (Wine starts its device drivers so)
// takes the first terminal it opens as its own unless it says O_NOCTTY, and the pty behind a
// node is a terminal: the unplug's hang-up would then kill it with SIGHUP. So each pty is
// made the terminal of a session of its own first, held by a child that does nothing and
// dies of that SIGHUP. The child uses raw system calls only: the preload library wraps
// ioctl and close, and may hold its locks in the threads the fork left behind.
pid_t THidTestbed::KeepTerminal(int control) {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return -1;  // the pty then stays as it was
  const pid_t parent = getpid();
  const pid_t keeper = fork();
  if (keeper == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(0);
    setsid();
    syscall(SYS_ioctl, control, TIOCSCTTY, 0);
    syscall(SYS_close_range, 0u, ~0u, 0u);  // the ready pipe too: the bed goes on
    for (;;) pause();
  }
  close(ready[1]);
  // Until the pty is the keeper's terminal, a program that opens the node could take it.
  char none;
  while (keeper > 0 && read(ready[0], &none, 1) < 0 && errno == EINTR) {
  }
  close(ready[0]);
  return keeper;
}

void THidTestbed::HangUp(TNode& node) {
  if (node.master >= 0) close(node.master);  // the node hangs up
  if (node.control >= 0) close(node.control);
  node.master = -1;
  node.control = -1;
  if (node.keeper > 0) {
    kill(node.keeper, SIGKILL);  // the hang-up's SIGHUP ended it, unless the ioctl failed
    waitpid(node.keeper, nullptr, 0);
  }
  node.keeper = -1;
}

THidTestbed::THidTestbed() {
  // umockdev talks a lot at debug level; the tests and tools have their own output.
  g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
  testbed_ = umockdev_testbed_new();
}

THidTestbed::~THidTestbed() {
  for (TNode& node : nodes_) {
    HangUp(node);
    if (node.ioctls) {
      umockdev_testbed_detach_ioctl(testbed_, node.devnode.c_str(), nullptr);
      g_object_unref(node.ioctls);
    }
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
    node.keeper = KeepTerminal(node.control);
    if (symlink(slaveName, link.c_str()) != 0) {
      HangUp(node);
      throw std::runtime_error("symlink failed");
    }
  } else if (mkdir(link.c_str(), 0755) != 0) {
    throw std::runtime_error("mkdir failed");
  }
  node.identity = std::make_shared<TIdentity>(TIdentity{vendor, product, descriptor, name});
  if (answerIoctls_ && accessible) AttachIoctls(node);
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
  if (node.ioctls) {
    umockdev_testbed_detach_ioctl(testbed_, node.devnode.c_str(), nullptr);
    g_object_unref(node.ioctls);
    node.ioctls = nullptr;
  }
  HangUp(node);
  node.hidraw.clear();
}
