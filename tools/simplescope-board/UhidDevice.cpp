#include "UhidDevice.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

TUhidDevice::TUhidDevice(const char* path) {
  fd_ = open(path, O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) throw std::runtime_error(OpenErrorText(path, errno));
}

TUhidDevice::~TUhidDevice() {
  if (plugged_) {
    try {
      Unplug();
    } catch (const std::exception&) {
      // Closing unplugs the device all the same.
    }
  }
  close(fd_);
}

std::string TUhidDevice::OpenErrorText(const char* path, int error) {
  const std::string name = path;
  if (error == ENOENT || error == ENODEV || error == ENXIO)
    return name +
           " is missing: the kernel's uhid module is not loaded (load it with "
           "\"sudo modprobe uhid\"; a kernel without it can't make a virtual board)";
  if (error == EACCES || error == EPERM) {
    std::string text = name + ": no permission to open it for reading and writing";
    struct stat info;
    if (stat(path, &info) == 0) {
      char mode[16];
      snprintf(mode, sizeof mode, "%04o", info.st_mode & 07777);
      const group* owner = getgrgid(info.st_gid);
      text += std::string(" (mode ") + mode + ", group " +
              (owner ? owner->gr_name : std::to_string(info.st_gid)) + ")";
    }
    return text +
           ": run as root, or give your user read and write access to it, e.g. with "
           "the udev rule KERNEL==\"uhid\", TAG+=\"uaccess\"";
  }
  return name + ": " + std::strerror(error);
}

void TUhidDevice::Write(const uhid_event& event) {
  if (write(fd_, &event, sizeof event) != ssize_t(sizeof event))
    throw std::runtime_error(std::string("/dev/uhid refused a request: ") + std::strerror(errno));
}

void TUhidDevice::Plug(const TIdentity& identity) {
  if (plugged_) return;
  uhid_event create{};
  create.type = UHID_CREATE2;
  auto& c = create.u.create2;
  std::snprintf(reinterpret_cast<char*>(c.name), sizeof c.name, "%s", identity.name.c_str());
  std::snprintf(reinterpret_cast<char*>(c.phys), sizeof c.phys, "simplescope-board");
  if (identity.reportDescriptor.size() > sizeof c.rd_data)
    throw std::invalid_argument("report descriptor too long for uhid");
  std::memcpy(c.rd_data, identity.reportDescriptor.data(), identity.reportDescriptor.size());
  c.rd_size = static_cast<uint16_t>(identity.reportDescriptor.size());
  c.bus = 0x03;  // USB, as the real board
  c.vendor = identity.vendor;
  c.product = identity.product;
  c.version = identity.version;
  Write(create);
  plugged_ = true;
}

void TUhidDevice::Unplug() {
  if (!plugged_) return;
  plugged_ = false;
  uhid_event destroy{};
  destroy.type = UHID_DESTROY;
  Write(destroy);
}

bool TUhidDevice::ReadEvent(uhid_event& event) {
  return read(fd_, &event, sizeof event) > 0;
}

bool TUhidDevice::SendInput(const uint8_t* data, size_t size) {
  uhid_event input{};
  input.type = UHID_INPUT2;
  if (size > sizeof input.u.input2.data) {
    errno = EMSGSIZE;
    return false;
  }
  if (size > 0) std::memcpy(input.u.input2.data, data, size);
  input.u.input2.size = static_cast<uint16_t>(size);
  return write(fd_, &input, sizeof input) == ssize_t(sizeof input);
}

void TUhidDevice::RefuseRequest(const uhid_event& request) {
  uhid_event reply{};
  if (request.type == UHID_GET_REPORT) {
    reply.type = UHID_GET_REPORT_REPLY;
    reply.u.get_report_reply.id = request.u.get_report.id;
    reply.u.get_report_reply.err = EIO;
  } else if (request.type == UHID_SET_REPORT) {
    reply.type = UHID_SET_REPORT_REPLY;
    reply.u.set_report_reply.id = request.u.set_report.id;
    reply.u.set_report_reply.err = EIO;
  } else {
    return;
  }
  (void)!write(fd_, &reply, sizeof reply);
}
