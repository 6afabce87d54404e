// libFuzzer target: the report descriptor parser on any bytes a device could send.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "hid/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const THidDescriptorInfo info = ParseReportDescriptor(data, size);
  // The parser keeps no state between calls: the same bytes give the same answer.
  const THidDescriptorInfo again = ParseReportDescriptor(data, size);
  const THidPCaps caps = CapsFromDescriptorInfo(info);
  const THidPCaps capsAgain = CapsFromDescriptorInfo(again);
  if (std::memcmp(&caps, &capsAgain, sizeof caps) != 0 || info.Numbered != again.Numbered ||
      info.Truncated != again.Truncated)
    std::abort();
  // A top-level usage can only come from a collection.
  if (info.Collections == 0 && (info.UsagePage != 0 || info.Usage != 0)) std::abort();
  return 0;
}
