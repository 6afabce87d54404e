#pragma once

#include <linux/uhid.h>

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

// A device made through the kernel's user-space HID driver (/dev/uhid). Plugging it in
// makes a hidraw node like a real board's; unplugging, or closing, removes it.
class TUhidDevice {
 public:
  struct TIdentity {
    std::string name;
    uint16_t vendor = 0;
    uint16_t product = 0;
    uint16_t version = 0x0100;
    std::span<const uint8_t> reportDescriptor;
  };

  // Throws std::runtime_error saying what is missing: the module, or the permission.
  explicit TUhidDevice(const char* path = "/dev/uhid");
  ~TUhidDevice();
  TUhidDevice(const TUhidDevice&) = delete;
  TUhidDevice& operator=(const TUhidDevice&) = delete;

  int Fd() const { return fd_; }
  bool Plugged() const { return plugged_; }
  void Plug(const TIdentity& identity);
  void Unplug();

  // One event from the kernel; false when none could be read.
  bool ReadEvent(uhid_event& event);
  // An input report; false (errno set) when the kernel refused it.
  bool SendInput(const uint8_t* data, size_t size);
  // Refuses a get or set report request, which the board doesn't know, so the caller
  // doesn't wait for the kernel's time-out.
  void RefuseRequest(const uhid_event& request);

  // Why /dev/uhid could not be opened, and what to do about it.
  static std::string OpenErrorText(const char* path, int error);

 private:
  void Write(const uhid_event& event);
  int fd_ = -1;
  bool plugged_ = false;
};
