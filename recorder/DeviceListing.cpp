#include "DeviceListing.h"

#include <QCoreApplication>
#include <algorithm>

#include "hid/HidDeviceController.h"
#include "protocol/BoardProtocol.h"

namespace {

class TListingText {
  Q_DECLARE_TR_FUNCTIONS(TDeviceListing)
 public:
  static QString ReadWrite() { return tr("read/write"); }
  static QString NoAccess() { return tr("no access"); }
  static QString NotOpened() { return tr("not opened"); }
  static QString BoardMark() { return tr("<- experiment board"); }
  static QString Unnamed() { return tr("(no name)"); }
  static QString NoDevices() { return tr("No HID devices found."); }
  static QString Advice(const QString& node) {
    return tr("The experiment board at %1 was found, but this user may not open it. Check the "
              "access rights (the udev rule 70-simplescope.rules, installed with the program) "
              "and plug the board in again.")
        .arg(node);
  }
  static QString HeldAdvice(const QString& node) {
    return tr("The experiment board at %1 was found, but another program holds it. Close the "
              "programs that use the board and plug it in again.")
        .arg(node);
  }
  static QString PolicyAdvice(const QString& node) {
    return tr("The experiment board at %1 was found, but this computer's policy does not let "
              "this user use it (device control or endpoint security rules). Ask the "
              "administrator to allow the board (USB vendor 0x21CF, product 0x0004).")
        .arg(node);
  }
};

QString Padded(const QString& text, qsizetype width) {
  return text + QString(std::max<qsizetype>(0, width - text.size()), QLatin1Char(' '));
}

}  // namespace

bool TListedDevice::isBoard() const {
  return BoardProtocol::IsBoard(vendor, product);
}

std::vector<TListedDevice> ListedDevices(const THidDeviceController& controller) {
  std::vector<TListedDevice> devices;
  for (const THidDevice* device : controller.DeviceList()) {
    TListedDevice listed;
    listed.node = QString::fromStdString(device->InterfaceInfo().InterfacePath);
    listed.vendor = device->Identity().VendorID;
    listed.product = device->Identity().ProductID;
    listed.name = QString::fromStdString(device->InterfaceInfo().Name);
    listed.readWrite = device->CanReadWrite();
    listed.remedy = device->AccessRemedy();
    listed.listedOnly = device->ListedOnly();
    devices.push_back(listed);
  }
  // /dev/hidraw2 before /dev/hidraw10.
  std::sort(devices.begin(), devices.end(), [](const TListedDevice& a, const TListedDevice& b) {
    return a.node.size() != b.node.size() ? a.node.size() < b.node.size() : a.node < b.node;
  });
  return devices;
}

QString NoAccessAdvice(const QString& node, THidAccessRemedy remedy) {
  switch (remedy) {
    case THidAccessRemedy::CloseOtherPrograms:
      return TListingText::HeldAdvice(node);
    case THidAccessRemedy::AskAdministrator:
      return TListingText::PolicyAdvice(node);
    case THidAccessRemedy::CheckPermissions:
      break;
  }
  return TListingText::Advice(node);
}

QString DeviceListingText(const std::vector<TListedDevice>& devices) {
  if (devices.empty()) return TListingText::NoDevices() + QLatin1Char('\n');
  qsizetype nodeWidth = 0, nameWidth = 0, accessWidth = 0;
  const auto nameOf = [](const TListedDevice& d) {
    return d.name.isEmpty() ? TListingText::Unnamed() : d.name;
  };
  const auto accessOf = [](const TListedDevice& d) {
    if (d.listedOnly) return TListingText::NotOpened();
    return d.readWrite ? TListingText::ReadWrite() : TListingText::NoAccess();
  };
  for (const TListedDevice& d : devices) {
    nodeWidth = std::max(nodeWidth, d.node.size());
    nameWidth = std::max(nameWidth, nameOf(d).size());
    accessWidth = std::max(accessWidth, accessOf(d).size());
  }
  QString text;
  QStringList advice;
  for (const TListedDevice& d : devices) {
    QString line = Padded(d.node, nodeWidth) + QStringLiteral("  ") +
                   QStringLiteral("%1:%2")
                       .arg(d.vendor, 4, 16, QLatin1Char('0'))
                       .arg(d.product, 4, 16, QLatin1Char('0'))
                       .toUpper() +
                   QStringLiteral("  ") + Padded(nameOf(d), nameWidth) + QStringLiteral("  ") +
                   (d.isBoard() ? Padded(accessOf(d), accessWidth) + QStringLiteral("  ") +
                                      TListingText::BoardMark()
                                : accessOf(d));
    text += line + QLatin1Char('\n');
    if (d.isBoard() && !d.readWrite) advice << NoAccessAdvice(d.node, d.remedy);
  }
  for (const QString& a : advice) text += QLatin1Char('\n') + a + QLatin1Char('\n');
  return text;
}
