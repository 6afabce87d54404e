// The Linux backend (libudev by name, hidraw nodes, the uevent monitor) on an emulated
// sysfs and /dev: runs under umockdev-wrapper. Each node is backed by a raw pty, so the
// program's poll, read and write on it are real; sysfs answers the HID queries.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../../ProcessCounters.h"
#include "../BoardDescriptor.h"
#include "../MouseDescriptor.h"
#include "HidTestbed.h"
#include "framework/Dialogs.h"
#include "framework/MainThreadCall.h"
#include "framework/MessageWait.h"
#include "hid/HidDeviceController.h"
#include "hid/HidLinux.h"
#include "hid/SetupApiLinux.h"

namespace {

class LinuxPlatform : public ::testing::Test {
 protected:
  using TNode = THidTestbed::TNode;

  void SetUp() override {
    bed = std::make_unique<THidTestbed>();
    SetMessageBoxHook(
        [this](TBoxKind, const QString& text) { reportedErrors.push_back(text.toStdString()); });
  }
  void TearDown() override {
    controller.reset();
    bed.reset();
    SetMessageBoxHook({});
  }

  TNode& Add(uint16_t vendor, uint16_t product, const std::vector<uint8_t>& descriptor,
             bool accessible = true) {
    return bed->Node(bed->Add(vendor, product, descriptor, accessible));
  }
  void Remove(TNode& node) {
    for (int i = 0; i < bed->Count(); ++i)
      if (&bed->Node(i) == &node) bed->Remove(i);
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

 public:
  void Changed(TObject*) { ++changes; }
  void Data(TCustomHidDevice*, uint8_t reportId, const uint8_t* data, uint16_t size) {
    reportIds.push_back(reportId);
    received.emplace_back(data, data + size);
    onMainThread = onMainThread && MainThreadCall::IsMainThread();
  }

 protected:
  std::unique_ptr<THidTestbed> bed;
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
  bed->Announce(0, "add");
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

  // The platform's query-only handle, as on Windows: identified, never read or written.
  const auto platform = LinuxHidPlatform();
  THidHandle handle = platform->Open(controller->DeviceList()[0]->InterfaceInfo().InterfacePath,
                                     THidAccess::QueryOnly);
  ASSERT_TRUE(handle.queryOnly);
  THidAttributes identity;
  EXPECT_TRUE(platform->GetAttributes(handle, identity));
  EXPECT_EQ(identity.VendorID, 0x21CF);
  errno = 0;
  EXPECT_FALSE(platform->Write(handle, command, 2, written));
  EXPECT_EQ(errno, EACCES);
  uint8_t report[9];
  const THidReadResult read = platform->Read(handle, report, 9, true, 5000, {});
  EXPECT_EQ(read.status, THidReadStatus::Failed);
  platform->Close(handle);
}

TEST_F(LinuxPlatform, ASixteenMegabyteDescriptorInSysfsIsRefusedNotCut) {
  // Sixteen megabytes: the board's descriptor every 4 KiB, zeros between.
  std::vector<uint8_t> huge(16 << 20, 0x00);
  for (size_t i = 0; i + kBoardDescriptor.size() < huge.size(); i += 4096)
    std::copy(kBoardDescriptor.begin(), kBoardDescriptor.end(), huge.begin() + i);
  Add(0x21CF, 0x0004, huge);
  const auto begin = std::chrono::steady_clock::now();
  StartController();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
  TCustomHidDevice* board;
  ASSERT_TRUE(controller->ClaimDevice(board));
  // Listed by its identity, with no report lengths: nothing is read and nothing sensible
  // can be written.
  EXPECT_EQ(board->Identity().ProductID, 0x0004);
  EXPECT_EQ(board->Capabilities().InputReportByteLength, 0);
  EXPECT_EQ(board->Capabilities().OutputReportByteLength, 0);
  board->SetOnInputReport(THidDataEvent::Bind<&LinuxPlatform::Data>(this));
  EXPECT_FALSE(static_cast<THidDevice*>(board)->HasReader());
  delete board;
  EXPECT_TRUE(reportedErrors.empty());
}

namespace {

struct TChangeCounter {
  int changes = 0;
  void Changed(TObject*) { ++changes; }
};

std::unique_ptr<THidDeviceController> CountingController(TChangeCounter& counter) {
  auto controller = std::make_unique<THidDeviceController>(nullptr, LinuxHidPlatform());
  controller->SetLoading(true);
  controller->SetOnDeviceChange(TNotifyEvent::Bind<&TChangeCounter::Changed>(&counter));
  controller->SetLoading(false);
  return controller;
}

}  // namespace

TEST_F(LinuxPlatform, EveryControllerHearsPlugsThroughItsOwnMonitor) {
  // A recorder and a window, or two windows, in one process: each follows the board.
  TChangeCounter first, second;
  auto firstController = CountingController(first);
  auto secondController = CountingController(second);
  ProcessMessages();
  ASSERT_EQ(first.changes, 1);
  ASSERT_EQ(second.changes, 1);
  EXPECT_EQ(SetupApiLinux::OpenMonitorCount(), 2);

  Add(0x21CF, 0x0004, kBoardDescriptor);
  bed->Announce(0, "add");
  ASSERT_TRUE(WaitUntil([&] { return first.changes == 2 && second.changes == 2; }))
      << "first " << first.changes << ", second " << second.changes;

  // The first one goes; the second still hears the next plug.
  firstController.reset();
  EXPECT_EQ(SetupApiLinux::OpenMonitorCount(), 1);
  Add(0x046D, 0xC077, kMouseDescriptor);
  bed->Announce(1, "add");
  ASSERT_TRUE(WaitUntil([&] { return second.changes == 3; })) << second.changes;
  EXPECT_EQ(secondController->DeviceList().size(), 2u);
  secondController.reset();
  EXPECT_EQ(SetupApiLinux::OpenMonitorCount(), 0);
}

TEST_F(LinuxPlatform, TheDevicesNameComesFromItsHidParent) {
  Add(0x21CF, 0x0004, kBoardDescriptor);
  StartController();
  ASSERT_EQ(controller->DeviceList().size(), 1u);
  EXPECT_EQ(controller->DeviceList()[0]->InterfaceInfo().Name, "test");
}

TEST_F(LinuxPlatform, ANodeThatIsGoneIsNotOpenedPassAfterPass) {
  const std::string boardNode = Add(0x21CF, 0x0004, kBoardDescriptor).devnode;
  int mouse = bed->Add(0x046D, 0xC077, kMouseDescriptor);
  StartController();
  ASSERT_EQ(controller->DeviceList().size(), 2u);
  // The board's node is gone while its sysfs entries stay (as between a hot-unplug's
  // events): every pass lists it and finds nothing to open.
  ASSERT_EQ(unlink((bed->RootDir() + boardNode).c_str()), 0);
  // The mouse unplugged and plugged again and again, a pass each time. Each failed open
  // would leave one of umockdev's sockets behind, and abort the test after 48.
  int filesBefore = 0;
  for (int pass = 0; pass < 120; ++pass) {
    const int changesBefore = changes;
    if (pass % 2 == 0) {
      bed->Remove(mouse);
    } else {
      mouse = bed->Add(0x046D, 0xC077, kMouseDescriptor, true, /*announce=*/true);
    }
    ASSERT_TRUE(WaitUntil([&] { return changes > changesBefore; })) << "pass " << pass;
    if (pass == 1) filesBefore = ProcessCounters::OpenFiles();
  }
  ASSERT_EQ(controller->DeviceList().size(), 1u);
  EXPECT_EQ(controller->DeviceList()[0]->Identity().ProductID, 0xC077);
  // A socket per failed open would be sixty or more by now. Under load the preload library
  // may still hold one of its own for a moment, or open a lasting one late (glib's wake-up
  // descriptors), so give it time and a file or two of slack.
  WaitUntil([&] { return ProcessCounters::OpenFiles() <= filesBefore; });
  EXPECT_LE(ProcessCounters::OpenFiles(), filesBefore + 2);
}

// A node that answers the hidraw ioctls as the kernel does: the open file is asked first,
// and what it says is what the layer hands out (sysfs says the same here, so a wrong ioctl
// shows as a failed call, not a different answer).
TEST_F(LinuxPlatform, AnOpenNodeIsAskedThroughTheKernelsIoctls) {
  bed->SetAnswerIoctls(true);
  Add(0x21CF, 0x0004, kBoardDescriptor);
  auto platform = LinuxHidPlatform();
  ASSERT_TRUE(platform->BindSetupServices());
  THidHandle handle = platform->Open("/dev/hidraw0", THidAccess::ReadWrite);
  ASSERT_TRUE(handle.file.Valid());
  uint16_t vendor = 0, product = 0;
  ASSERT_TRUE(HidLinux::GetRawIdentity(handle, vendor, product));
  EXPECT_EQ(vendor, 0x21CF);
  EXPECT_EQ(product, 0x0004);
  std::vector<uint8_t> descriptor;
  ASSERT_TRUE(HidLinux::GetReportDescriptor(handle, descriptor));
  EXPECT_EQ(descriptor, std::vector<uint8_t>(kBoardDescriptor.begin(), kBoardDescriptor.end()));
  THidDescriptorInfo info;
  ASSERT_TRUE(platform->GetDescriptorInfo(handle, info));
  EXPECT_EQ(info.InputReportByteLength, 65);
  platform->Close(handle);
  platform->ReleaseSetupServices();
}
