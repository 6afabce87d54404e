#pragma once

#include <cstdint>

#include "framework/Event.h"

// The identity of an HID interface, read once when its device object is made.
struct THidAttributes {
  uint16_t VendorID = 0;
  uint16_t ProductID = 0;
  uint16_t VersionNumber = 0;
};

// What the report descriptor says about an interface. The byte lengths count the leading
// report-id byte, which is present in every buffer the device layer reads or writes even
// for devices without numbered reports (it is 0 there).
struct THidPCaps {
  uint16_t Usage = 0;
  uint16_t UsagePage = 0;
  uint16_t InputReportByteLength = 0;
  uint16_t OutputReportByteLength = 0;
  uint16_t FeatureReportByteLength = 0;
  uint16_t Reserved[17] = {};
  uint16_t NumberLinkCollectionNodes = 0;
  uint16_t NumberInputButtonCaps = 0;
  uint16_t NumberInputValueCaps = 0;
  uint16_t NumberInputDataIndices = 0;
  uint16_t NumberOutputButtonCaps = 0;
  uint16_t NumberOutputValueCaps = 0;
  uint16_t NumberOutputDataIndices = 0;
  uint16_t NumberFeatureButtonCaps = 0;
  uint16_t NumberFeatureValueCaps = 0;
  uint16_t NumberFeatureDataIndices = 0;
};
static_assert(sizeof(THidPCaps) == 64, "the capability record is 64 bytes");

// A kind of device, by the identity it reports.
struct THidDeviceId {
  uint16_t VendorID = 0;
  uint16_t ProductID = 0;
  bool operator==(const THidDeviceId&) const = default;
};

// What the user can do when a device is listed but can't be opened for reading and writing.
// On Linux that is a matter of the node's permissions. On Windows it depends on what the
// system said: another program holds the device for itself (a sharing violation), or the
// machine's policy forbids it to this user (access denied: device-control or
// endpoint-security rules, which only an administrator changes).
enum class THidAccessRemedy { CheckPermissions, CloseOtherPrograms, AskAdministrator };

class TCustomHidDevice;

// One input report: ReportID is its first byte, Data the Size bytes after it.
using THidDataEvent =
    TEvent<void(TCustomHidDevice* HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size)>;
using THidEnumerateEvent = TEvent<bool(TCustomHidDevice* HidDev, int Idx)>;
