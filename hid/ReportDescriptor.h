#pragma once

#include <cstddef>
#include <cstdint>

#include "hid/HidTypes.h"

// What a report descriptor says about the reports of an interface, read with the HID item
// rules. The bytes come from a device, so nothing in them is trusted: every input, however
// malformed, gives a defined result in time linear in its length and with fixed memory.
struct THidDescriptorInfo {
  uint16_t UsagePage = 0;  // of the first top-level collection
  uint16_t Usage = 0;
  // Largest report of each kind in bytes, plus one for the report-id byte (which is
  // counted whether or not the device numbers its reports); 0 when there is none.
  uint16_t InputReportByteLength = 0;
  uint16_t OutputReportByteLength = 0;
  uint16_t FeatureReportByteLength = 0;
  bool Numbered = false;  // some Report ID item: reports carry their id in byte 0
  uint16_t Collections = 0;
  // Main items that carry data, and the fields they declare, by kind.
  uint16_t ButtonCaps[3] = {};
  uint16_t ValueCaps[3] = {};
  uint16_t DataIndices[3] = {};
  // What the walk had to step over; the lengths above are still those of what it read.
  bool Truncated = false;      // an item ran past the end
  bool UnbalancedEnd = false;  // End Collection without a collection
  bool UnclosedCollection = false;
  bool StackMisuse = false;  // Pop without Push, or Push beyond the depth we keep
};

THidDescriptorInfo ParseReportDescriptor(const uint8_t* data, size_t length);

// The capability record as the device layer hands it out.
THidPCaps CapsFromDescriptorInfo(const THidDescriptorInfo& info);
