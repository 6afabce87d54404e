// The Linux backend (libudev by name, hidraw nodes, the uevent monitor) on an emulated
// sysfs and /dev: runs under umockdev-wrapper. Each node is backed by a raw pty, so the
// program's poll, read and write on it are real; sysfs answers the HID queries.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../BoardDescriptor.h"
#include "framework/Dialogs.h"
#include "framework/MainThreadCall.h"
#include "framework/MessageWait.h"
#include "hid/HidDeviceController.h"

namespace {

const std::vector<uint8_t> kMouseDescriptor = {
    0x05, 0x01, 0x09, 0x02, 0xa1, 0x01, 0x09, 0x01, 0xa1, 0x00, 0x05, 0x09, 0x19,
    0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
    0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
    0x81, 0x25, 0x7f, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xc0, 0xc0};

struct TNode {
  std::string usb, hid, hidraw, devnode;
  int master = -1;
};

class LinuxPlatform : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    testbed = umockdev_testbed_new();
    SetMessageBoxHook(
        [this](TBoxKind, const QString& text) { reportedErrors.push_back(text.toStdString()); });
  }
  void TearDown() override {
    controller.reset();
    for (TNode& node : nodes)
      if (node.master >= 0) close(node.master);
    g_object_unref(testbed);
    SetMessageBoxHook({});
  }

  // A USB HID interface: usb device -> hid device -> hidraw node backed by a pty.
  TNode& Add(uint16_t vendor, uint16_t product, const std::vector<uint8_t>& descriptor,
             bool accessible = true) {
    const int n = static_cast<int>(nodes.size());
    TNode node;
    char ids[64];
    snprintf(ids, sizeof ids, "%04x", vendor);
    const std::string vid = ids;
    snprintf(ids, sizeof ids, "%04x", product);
    const std::string pid = ids;
    const std::string usbName = "usb" + std::to_string(n);
    node.usb = Own(umockdev_testbed_add_device(testbed, "usb", usbName.c_str(), nullptr, "idVendor",
                                               vid.c_str(), "idProduct", pid.c_str(), "bcdDevice",
                                               "0110", nullptr, "DEVTYPE", "usb_device", nullptr));
    snprintf(ids, sizeof ids, "0003:%04X:%04X.%04X", vendor, product, n + 1);
    const std::string hidName = ids;
    snprintf(ids, sizeof ids, "0003:%08X:%08X", vendor, product);
    node.hid =
        Own(umockdev_testbed_add_device(testbed, "hid", hidName.c_str(), node.usb.c_str(), nullptr,
                                        "HID_ID", ids, "HID_NAME", "test", nullptr));
    umockdev_testbed_set_attribute_binary(testbed, node.hid.c_str(), "report_descriptor",
                                          const_cast<guint8*>(descriptor.data()),
                                          static_cast<gint>(descriptor.size()));
    const std::string hidrawName = "hidraw" + std::to_string(n);
    node.devnode = "/dev/" + hidrawName;
    node.hidraw =
        Own(umockdev_testbed_add_device(testbed, "hidraw", hidrawName.c_str(), node.hid.c_str(),
                                        nullptr, "DEVNAME", node.devnode.c_str(), nullptr));
    // The node: a raw pty whose slave side the program opens, or, for a node the user may
    // not open, something that can't be opened for writing.
    const std::string root = Own(umockdev_testbed_get_root_dir(testbed));
    const std::string link = root + node.devnode;
    g_mkdir_with_parents((root + "/dev").c_str(), 0755);
    unlink(link.c_str());
    if (accessible) {
      int slave;
      char slaveName[128];
      EXPECT_EQ(openpty(&node.master, &slave, slaveName, nullptr, nullptr), 0);
      termios raw;
      tcgetattr(slave, &raw);
      cfmakeraw(&raw);
      raw.c_cc[VMIN] = 64;  // a read gives whole sample blocks
      raw.c_cc[VTIME] = 0;
      tcsetattr(slave, TCSANOW, &raw);
      close(slave);
      EXPECT_EQ(symlink(slaveName, link.c_str()), 0);
    } else {
      EXPECT_EQ(mkdir(link.c_str(), 0755), 0);
    }
    nodes.push_back(node);
    return nodes.back();
  }

  void Remove(TNode& node) {
    umockdev_testbed_uevent(testbed, node.hidraw.c_str(), "remove");
    umockdev_testbed_uevent(testbed, node.hid.c_str(), "remove");
    umockdev_testbed_remove_device(testbed, node.hidraw.c_str());
    umockdev_testbed_remove_device(testbed, node.hid.c_str());
    umockdev_testbed_remove_device(testbed, node.usb.c_str());
    close(node.master);  // the node hangs up
    node.master = -1;
  }

  void StartController() {
    controller = std::make_unique<THidDeviceController>(nullptr, LinuxHidPlatform());
    controller->SetLoading(true);
    controller->SetOnDeviceChange(TNotifyEvent::Bind<&LinuxPlatform::Changed>(this));
    controller->SetLoading(false);
    ProcessMessages();
  }

  template <typename Condition>
  bool WaitUntil(Condition done) {
    for (int i = 0; i < 300 && !done(); ++i) WaitMs(10);
    return done();
  }

  static std::string Own(gchar* text) {
    std::string copy = text ? text : "";
    g_free(text);
    return copy;
  }

 public:
  void Changed(TObject*) { ++changes; }
  void Data(TCustomHidDevice*, uint8_t reportId, const uint8_t* data, uint16_t size) {
    reportIds.push_back(reportId);
    received.emplace_back(data, data + size);
    onMainThread = onMainThread && MainThreadCall::IsMainThread();
  }

 protected:
  UMockdevTestbed* testbed = nullptr;
  std::vector<TNode> nodes;
  std::unique_ptr<THidDeviceController> controller;
  int changes = 0;
  std::vector<uint8_t> reportIds;
  std::vector<std::vector<uint8_t>> received;
  bool onMainThread = true;
  std::vector<std::string> reportedErrors;
};

THidDevice* FindListed(const THidDeviceController& controller, uint16_t product) {
  for (THidDevice* device : controller.DeviceList())
    if (device->Identity().ProductID == product) return device;
  return nullptr;
}

}  // namespace

TEST_F(LinuxPlatform, FindsTheBoardAmongOtherDevicesWithItsReportLengths) {
  Add(0x046D, 0xC077, kMouseDescriptor);
  Add(0x21CF, 0x0004, kBoardDescriptor);
  StartController();
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(controller->DeviceList().size(), 2u);
  THidDevice* board = FindListed(*controller, 0x0004);
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(board->Identity().VendorID, 0x21CF);
  EXPECT_EQ(board->Identity().VersionNumber, 0x0110);
  EXPECT_TRUE(board->CanReadWrite());
  EXPECT_EQ(board->InterfaceInfo().InterfacePath, "/dev/hidraw1");
  TCustomHidDevice* claimed;
  ASSERT_TRUE(controller->ClaimDeviceAt(1, claimed));
  EXPECT_EQ(claimed->Capabilities().InputReportByteLength, 65);
  EXPECT_EQ(claimed->Capabilities().OutputReportByteLength, 9);
  EXPECT_EQ(claimed->Capabilities().UsagePage, 0xFF00);
  delete claimed;
}

TEST_F(LinuxPlatform, WritesCommandsAndDeliversSampleBlocks) {
  TNode& node = Add(0x21CF, 0x0004, kBoardDescriptor);
  StartController();
  TCustomHidDevice* board;
  ASSERT_TRUE(controller->ClaimDevice(board));
  board->SetOnInputReport(THidDataEvent::Bind<&LinuxPlatform::Data>(this));

  const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  uint32_t written = 0;
  ASSERT_TRUE(board->WriteReport(command, 9, written));
  EXPECT_EQ(written, 9u);
  uint8_t seen[16] = {};
  ASSERT_EQ(read(node.master, seen, sizeof seen), 9);
  EXPECT_EQ(std::vector<uint8_t>(seen, seen + 9), std::vector<uint8_t>(command, command + 9));

  std::vector<uint8_t> block(64);
  for (int i = 0; i < 64; ++i) block[i] = static_cast<uint8_t>(i * 3);
  ASSERT_EQ(write(node.master, block.data(), block.size()), 64);
  ASSERT_TRUE(WaitUntil([&] { return !received.empty(); }));
  EXPECT_EQ(reportIds[0], 0);
  EXPECT_EQ(received[0], block);
  EXPECT_TRUE(onMainThread);
  delete board;
}

TEST_F(LinuxPlatform, UeventsRaiseDeviceChangeAndUnplugDetachesAWaitingReader) {
  StartController();
  EXPECT_EQ(changes, 1);
  TNode& node = Add(0x21CF, 0x0004, kBoardDescriptor);
  umockdev_testbed_uevent(testbed, node.hid.c_str(), "add");
  umockdev_testbed_uevent(testbed, node.hidraw.c_str(), "add");
  ASSERT_TRUE(WaitUntil([&] { return changes == 2; }));
  ASSERT_EQ(controller->DeviceList().size(), 1u);

  TCustomHidDevice* board;
  ASSERT_TRUE(controller->ClaimDevice(board));
  board->SetOnInputReport(THidDataEvent::Bind<&LinuxPlatform::Data>(this));
  WaitMs(50);  // the reader waits on the node
  Remove(node);
  ASSERT_TRUE(WaitUntil([&] { return changes == 3; }));
  EXPECT_FALSE(static_cast<THidDevice*>(board)->Attached());
  const auto begin = std::chrono::steady_clock::now();
  delete board;
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(300));
  EXPECT_TRUE(controller->DeviceList().empty());
  EXPECT_TRUE(reportedErrors.empty());
}

TEST_F(LinuxPlatform, ANodeWithoutAccessIsListedForQueriesOnly) {
  Add(0x21CF, 0x0004, kBoardDescriptor, /*accessible=*/false);
  StartController();
  ASSERT_EQ(controller->DeviceList().size(), 1u);
  THidDevice* board = controller->DeviceList()[0];
  EXPECT_FALSE(board->CanReadWrite());
  EXPECT_EQ(board->Identity().ProductID, 0x0004);
  TCustomHidDevice* claimed;
  ASSERT_TRUE(controller->ClaimDevice(claimed));
  EXPECT_EQ(claimed->Capabilities().OutputReportByteLength, 9);
  claimed->SetOnInputReport(THidDataEvent::Bind<&LinuxPlatform::Data>(this));
  EXPECT_FALSE(static_cast<THidDevice*>(claimed)->HasReader());
  const uint8_t command[2] = {0, 3};
  uint32_t written;
  EXPECT_FALSE(claimed->WriteReport(command, 2, written));
  delete claimed;
}
