#pragma once

#include <QString>
#include <vector>

#include "hid/HidTypes.h"

class THidDeviceController;

// One HID interface of the machine as --list shows it.
struct TListedDevice {
  QString node;
  uint16_t vendor = 0;
  uint16_t product = 0;
  QString name;
  bool readWrite = false;  // this user may read and write it
  // Where not, what stands in the way.
  THidAccessRemedy remedy = THidAccessRemedy::CheckPermissions;
  // Not tried for reading and writing, as a kind of device the recorder doesn't use
  // (Windows, where trying would hold it).
  bool listedOnly = false;
  bool isBoard() const;
};

// The devices a controller lists, after its first pass.
std::vector<TListedDevice> ListedDevices(const THidDeviceController& controller);

// The text of --list: one line per device (node, vendor:product, name, access), the board
// marked, and after them, for each board this user can't open, what to do about it.
QString DeviceListingText(const std::vector<TListedDevice>& devices);

// What to do about a board at `node` that this user may not open; the same advice the
// window gives.
QString NoAccessAdvice(const QString& node, THidAccessRemedy remedy);
