#pragma once

#include <cstdint>

// An object of the system that a program opens, waits on and closes: a file descriptor on
// Linux, a HANDLE on Windows (a file, an event). Shared code only passes it around; the
// platform's own files make one and look inside.
class TSystemHandle {
 public:
  constexpr TSystemHandle() = default;
  static constexpr TSystemHandle FromDescriptor(int fd) {
    return TSystemHandle(fd < 0 ? kNone : fd);
  }
  // A null handle and INVALID_HANDLE_VALUE (all bits set) both mean none.
  static TSystemHandle FromHandle(void* handle) {
    return TSystemHandle(handle ? reinterpret_cast<intptr_t>(handle) : kNone);
  }

  bool Valid() const { return value_ != kNone; }
  int Descriptor() const { return static_cast<int>(value_); }
  void* Handle() const { return Valid() ? reinterpret_cast<void*>(value_) : nullptr; }
  friend bool operator==(TSystemHandle, TSystemHandle) = default;

 private:
  static constexpr intptr_t kNone = -1;
  explicit constexpr TSystemHandle(intptr_t value) : value_(value) {}
  intptr_t value_ = kNone;
};
