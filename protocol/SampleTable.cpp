#include "SampleTable.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

std::string TSampleTable::Header() const {
  const char s = Separator();
  return std::string("block") + s + "sample" + s + "time_s" + s + "raw" + s + "volts" + LineEnd();
}

std::string TSampleTable::Seconds(int64_t milliseconds) {
  const bool negative = milliseconds < 0;
  const uint64_t magnitude = negative ? uint64_t(-(milliseconds + 1)) + 1 : uint64_t(milliseconds);
  // Integers only, and the point written out: nothing here follows the locale.
  char text[32];
  std::snprintf(text, sizeof text, "%s%llu.%03llu", negative ? "-" : "",
                static_cast<unsigned long long>(magnitude / 1000),
                static_cast<unsigned long long>(magnitude % 1000));
  return text;
}

std::string TSampleTable::Volts(int32_t raw) {
  // to_chars is the one formatter that never looks at the locale; it rounds the exact
  // binary value to the nearest.
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, BoardProtocol::VoltsFromRaw(raw),
                                 std::chars_format::fixed, 4)
                       .ptr;
  return std::string(text, end);
}

std::string TSampleTable::BlockRows(uint64_t block, int64_t elapsedMs,
                                    const BoardProtocol::TSampleBlock& samples) const {
  const char s = Separator();
  // Block, time and the line end are the same on every row of the block.
  const std::string blockText = std::to_string(block) + s;
  const std::string timeText = s + Seconds(elapsedMs) + s;
  std::string rows;
  rows.reserve(samples.size() * (blockText.size() + timeText.size() + 20));
  for (size_t k = 0; k < samples.size(); ++k) {
    rows += blockText;
    rows += std::to_string(k);
    rows += timeText;
    rows += std::to_string(samples[k]);
    rows += s;
    rows += Volts(samples[k]);
    rows += LineEnd();
  }
  return rows;
}
