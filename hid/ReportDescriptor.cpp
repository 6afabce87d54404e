#include "ReportDescriptor.h"

#include <algorithm>
#include <array>

namespace {

enum Kind { kInput = 0, kOutput = 1, kFeature = 2 };

// Item types and tags of short items.
constexpr uint8_t kTypeMain = 0, kTypeGlobal = 1, kTypeLocal = 2;
constexpr uint8_t kTagInput = 0x8, kTagOutput = 0x9, kTagFeature = 0xB, kTagCollection = 0xA,
                  kTagEndCollection = 0xC;
constexpr uint8_t kTagUsagePage = 0x0, kTagReportSize = 0x7, kTagReportId = 0x8,
                  kTagReportCount = 0x9, kTagPush = 0xA, kTagPop = 0xB;
constexpr uint8_t kTagUsage = 0x0;
constexpr uint8_t kLongItemPrefix = 0xFE;

// Deeper Push nesting than this is not kept; no real descriptor comes near it.
constexpr int kMaxPushDepth = 32;
constexpr uint64_t kBitCap = uint64_t(1) << 40;  // far beyond any 16-bit byte length

struct Globals {
  uint32_t usagePage = 0;
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
};

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return std::min(a + b, kBitCap);
}

uint16_t ClampTo16(uint64_t v) {
  return static_cast<uint16_t>(std::min<uint64_t>(v, 0xFFFF));
}

}  // namespace

THidDescriptorInfo ParseReportDescriptor(const uint8_t* data, size_t length) {
  THidDescriptorInfo info;
  Globals globals;
  std::array<Globals, kMaxPushDepth> stack;
  int stackDepth = 0;
  int collectionDepth = 0;
  bool topUsageTaken = false;
  bool haveUsage = false;
  uint32_t lastUsage = 0;
  bool lastUsageHasPage = false;
  // Bits per report id and kind; present marks reports declared even with zero bits.
  std::array<std::array<uint64_t, 256>, 3> bits{};
  std::array<std::array<bool, 256>, 3> present{};

  size_t pos = 0;
  while (pos < length) {
    const uint8_t prefix = data[pos];
    if (prefix == kLongItemPrefix) {
      // Long item: size byte, tag byte, data. None is defined; step over it.
      if (pos + 2 >= length) {
        info.Truncated = true;
        break;
      }
      const size_t itemLength = 3 + size_t(data[pos + 1]);
      if (itemLength > length - pos) {
        info.Truncated = true;
        break;
      }
      pos += itemLength;
      continue;
    }
    const size_t sizeCode = prefix & 0x3;
    const size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
    if (dataSize > length - pos - 1) {
      info.Truncated = true;
      break;
    }
    uint32_t value = 0;
    for (size_t i = 0; i < dataSize; ++i) value |= uint32_t(data[pos + 1 + i]) << (8 * i);
    const uint8_t type = (prefix >> 2) & 0x3;
    const uint8_t tag = prefix >> 4;
    pos += 1 + dataSize;

    if (type == kTypeMain) {
      int kind = -1;
      if (tag == kTagInput) kind = kInput;
      if (tag == kTagOutput) kind = kOutput;
      if (tag == kTagFeature) kind = kFeature;
      if (kind >= 0) {
        const uint64_t fieldBits = uint64_t(globals.reportSize) * globals.reportCount;
        auto& slot = bits[kind][globals.reportId];
        slot = SaturatingAdd(slot, std::min(fieldBits, kBitCap));
        present[kind][globals.reportId] = true;
        const bool constant = value & 0x1;
        const bool variable = value & 0x2;
        if (!constant && globals.reportCount > 0) {
          // One-bit variables and arrays are what HID calls buttons; the rest are values.
          if (globals.reportSize == 1 || !variable)
            info.ButtonCaps[kind] = ClampTo16(info.ButtonCaps[kind] + 1u);
          else
            info.ValueCaps[kind] = ClampTo16(info.ValueCaps[kind] + 1u);
          info.DataIndices[kind] =
              ClampTo16(uint64_t(info.DataIndices[kind]) + globals.reportCount);
        }
      } else if (tag == kTagCollection) {
        if (collectionDepth == 0 && !topUsageTaken) {
          topUsageTaken = true;
          if (haveUsage) {
            info.Usage = static_cast<uint16_t>(lastUsage & 0xFFFF);
            info.UsagePage =
                static_cast<uint16_t>(lastUsageHasPage ? lastUsage >> 16 : globals.usagePage);
          } else {
            info.UsagePage = static_cast<uint16_t>(globals.usagePage);
          }
        }
        ++collectionDepth;
        info.Collections = ClampTo16(info.Collections + 1u);
      } else if (tag == kTagEndCollection) {
        if (collectionDepth > 0)
          --collectionDepth;
        else
          info.UnbalancedEnd = true;
      }
      // Local items hold until the next main item.
      haveUsage = false;
    } else if (type == kTypeGlobal) {
      switch (tag) {
        case kTagUsagePage:
          globals.usagePage = value;
          break;
        case kTagReportSize:
          globals.reportSize = value;
          break;
        case kTagReportCount:
          globals.reportCount = value;
          break;
        case kTagReportId:
          globals.reportId = static_cast<uint8_t>(value);
          info.Numbered = true;
          break;
        case kTagPush:
          if (stackDepth < kMaxPushDepth)
            stack[stackDepth++] = globals;
          else
            info.StackMisuse = true;
          break;
        case kTagPop:
          if (stackDepth > 0)
            globals = stack[--stackDepth];
          else
            info.StackMisuse = true;
          break;
        default:
          break;  // logical and physical ranges, units: no bearing on sizes
      }
    } else if (type == kTypeLocal && tag == kTagUsage) {
      haveUsage = true;
      lastUsage = value;
      lastUsageHasPage = dataSize == 4;
    }
  }
  info.UnclosedCollection = collectionDepth > 0;

  uint16_t* lengths[3] = {&info.InputReportByteLength, &info.OutputReportByteLength,
                          &info.FeatureReportByteLength};
  for (int kind = 0; kind < 3; ++kind) {
    uint64_t largest = 0;
    bool any = false;
    for (int id = 0; id < 256; ++id) {
      if (!present[kind][id]) continue;
      any = true;
      largest = std::max(largest, (bits[kind][id] + 7) / 8);
    }
    *lengths[kind] = any ? ClampTo16(largest + 1) : 0;
  }
  return info;
}

THidPCaps CapsFromDescriptorInfo(const THidDescriptorInfo& info) {
  THidPCaps caps;
  caps.Usage = info.Usage;
  caps.UsagePage = info.UsagePage;
  caps.InputReportByteLength = info.InputReportByteLength;
  caps.OutputReportByteLength = info.OutputReportByteLength;
  caps.FeatureReportByteLength = info.FeatureReportByteLength;
  caps.NumberLinkCollectionNodes = info.Collections;
  caps.NumberInputButtonCaps = info.ButtonCaps[0];
  caps.NumberInputValueCaps = info.ValueCaps[0];
  caps.NumberInputDataIndices = info.DataIndices[0];
  caps.NumberOutputButtonCaps = info.ButtonCaps[1];
  caps.NumberOutputValueCaps = info.ValueCaps[1];
  caps.NumberOutputDataIndices = info.DataIndices[1];
  caps.NumberFeatureButtonCaps = info.ButtonCaps[2];
  caps.NumberFeatureValueCaps = info.ValueCaps[2];
  caps.NumberFeatureDataIndices = info.DataIndices[2];
  return caps;
}
