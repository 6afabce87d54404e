#pragma once

#include <stdexcept>
#include <string>

// Why sound could not be played. The message is English, for logs and tests; a window words
// the kind in its own language.
enum class TSoundErrorKind {
  NoDevice,  // no sound system or no output device to play on
  Busy,      // the device is held by another program
  Failed,    // the device refused or broke off for another reason
};

class TSoundError : public std::runtime_error {
 public:
  TSoundError(TSoundErrorKind kind, const std::string& message)
      : std::runtime_error(message), kind_(kind) {}
  TSoundErrorKind Kind() const { return kind_; }

 private:
  TSoundErrorKind kind_;
};
