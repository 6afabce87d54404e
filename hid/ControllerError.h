#pragma once

#include "framework/Exceptions.h"

// A device object could not be made: "device cannot be opened" or "device cannot be
// identified".
class EControllerError : public Exception {
 public:
  using Exception::Exception;
};
