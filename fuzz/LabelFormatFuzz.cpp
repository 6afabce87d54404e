// libFuzzer target: the axis label formatter on any value and any picture.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "framework/Format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(double)) return 0;
  double value;
  std::memcpy(&value, data, sizeof value);
  const QString picture = QString::fromUtf8(reinterpret_cast<const char*>(data) + sizeof value,
                                            static_cast<qsizetype>(size - sizeof value));
  const QString label = FormatFloatPicture(value, picture);
  // A label holds the picture's text and the number's digits (at most 309 before the point
  // beyond the picture's own zeros), a sign, and a separator for every three digits before
  // the point, the picture's zeros included: never more.
  const qsizetype mostDigits = picture.size() + 309;
  if (label.size() > mostDigits + mostDigits / 3 + 1) std::abort();
  // The same value and picture give the same label.
  if (label != FormatFloatPicture(value, picture)) std::abort();
  return 0;
}
