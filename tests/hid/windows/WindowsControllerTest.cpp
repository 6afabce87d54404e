// The controller, device and reader on the Windows backend under Wine, against the emulated
// board (tools/wine-board-run.sh): the whole HID layer as the window uses it, the device
// notices reaching the controller through the event loop included.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "framework/MainThreadCall.h"
#include "framework/MessageWait.h"
#include "hid/HidDeviceController.h"
#include "protocol/BoardProtocol.h"
#include "tests/EmulatedBoardControl.h"

namespace {

constexpr int kPlugWaitMs = 20000;

class WindowsController : public ::testing::Test {
 protected:
  void SetUp() override {
    if (EmulatedBoardControl::Folder().empty())
      GTEST_SKIP() << "no emulated board (SIMPLESCOPE_BOARD_CONTROL)";
    controller = std::make_unique<THidDeviceController>(nullptr, WindowsHidPlatform());
    // As the window and the recorder make it: the board is the one kind they use.
    controller->SetUsedDevices({{BoardProtocol::kVendorId, BoardProtocol::kProductId}});
    controller->SetLoading(true);
    controller->SetOnDeviceChange(TNotifyEvent::Bind<&WindowsController::Changed>(this));
    controller->SetLoading(false);
    ProcessMessages();  // the start-up pass
    // Wine's bus may still be adding the board when the program starts: it then arrives
    // through a device notice, as a plugged board does.
    ASSERT_TRUE(WaitUntil([&] { return ListedBoard() != nullptr; })) << "no board listed";
  }
  void TearDown() override { controller.reset(); }

  template <typename Condition>
  bool WaitUntil(Condition done, int limitMs = kPlugWaitMs) {
    for (int waited = 0; waited < limitMs && !done(); waited += 20) WaitMs(20);
    return done();
  }
  THidDevice* ListedBoard() const {
    for (THidDevice* device : controller->DeviceList()) {
      const THidAttributes id = device->Identity();
      if (device->Attached() && BoardProtocol::IsBoard(id.VendorID, id.ProductID)) return device;
    }
    return nullptr;
  }
  TCustomHidDevice* ClaimBoard() {
    const auto& list = controller->DeviceList();
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
      TCustomHidDevice* device = nullptr;
      if (list[i] == ListedBoard() && controller->ClaimDeviceAt(i, device)) return device;
    }
    return nullptr;
  }
  bool SendCommand(TCustomHidDevice* board) {
    const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
    uint32_t written = 0;
    return board->WriteReport(command, sizeof command, written) && written == sizeof command;
  }

 public:
  void Changed(TObject*) { ++changes; }
  void Data(TCustomHidDevice*, uint8_t reportId, const uint8_t*, uint16_t size) {
    reportIds.push_back(reportId);
    sizes.push_back(size);
    onMainThread = onMainThread && MainThreadCall::IsMainThread();
  }

 protected:
  std::unique_ptr<THidDeviceController> controller;
  int changes = 0;
  std::vector<uint8_t> reportIds;
  std::vector<uint16_t> sizes;
  bool onMainThread = true;
};

TEST_F(WindowsController, ListsTheBoardWithItsReportLengthsAndDeliversItsAnswers) {
  EXPECT_GE(changes, 1);
  EXPECT_GE(controller->DeviceList().size(), 3u);  // with Wine's own mouse and keyboard
  TCustomHidDevice* board = ClaimBoard();
  ASSERT_NE(board, nullptr);
  EXPECT_TRUE(board->CanReadWrite());
  EXPECT_EQ(board->Capabilities().InputReportByteLength, 65);
  EXPECT_EQ(board->Capabilities().OutputReportByteLength, 9);
  board->SetInputBufferCount(128);
  board->SetReadBufferCount(128);
  EXPECT_EQ(static_cast<THidDevice*>(board)->ReadBufferCount(), 128);
  board->SetOnInputReport(THidDataEvent::Bind<&WindowsController::Data>(this));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(SendCommand(board));
    ASSERT_TRUE(WaitUntil([&] { return sizes.size() == size_t(i) + 1; }, 5000)) << i;
  }
  EXPECT_EQ(reportIds, std::vector<uint8_t>(3, 0));
  EXPECT_EQ(sizes, std::vector<uint16_t>(3, 64));
  EXPECT_TRUE(onMainThread);
  delete board;
  // Given back: listed again, unclaimed.
  ASSERT_NE(ListedBoard(), nullptr);
  EXPECT_FALSE(ListedBoard()->Claimed());
}

// Wine's own mouse and keyboard are listed from the system's answers alone: identified,
// named from the system's device properties, and never opened for reading or writing.
TEST_F(WindowsController, OtherDevicesAreListedWithoutBeingHeld) {
  int others = 0;
  for (THidDevice* device : controller->DeviceList()) {
    EXPECT_FALSE(device->InterfaceInfo().Name.empty()) << device->InterfaceInfo().InterfacePath;
    if (device == ListedBoard()) {
      EXPECT_FALSE(device->ListedOnly());
      EXPECT_TRUE(device->CanReadWrite());
      continue;
    }
    ++others;
    EXPECT_TRUE(device->ListedOnly()) << device->InterfaceInfo().InterfacePath;
    EXPECT_FALSE(device->CanReadWrite());
    EXPECT_NE(device->Identity().VendorID, 0);
  }
  EXPECT_GE(others, 2);
  // Claimed and given a queue and a handler as the window does with every device, a mouse
  // still starts no reader.
  const auto& list = controller->DeviceList();
  const int mouse = list[0] == ListedBoard() ? 1 : 0;
  TCustomHidDevice* claimed = nullptr;
  ASSERT_TRUE(controller->ClaimDeviceAt(mouse, claimed));
  claimed->SetReadBufferCount(128);
  claimed->SetOnInputReport(THidDataEvent::Bind<&WindowsController::Data>(this));
  EXPECT_FALSE(static_cast<THidDevice*>(claimed)->HasReader());
  EXPECT_EQ(static_cast<THidDevice*>(claimed)->ReadBufferCount(), 0);
  delete claimed;
}

TEST_F(WindowsController, UnplugDetachesAReadingBoardAndReplugListsANewOne) {
  TCustomHidDevice* board = ClaimBoard();
  ASSERT_NE(board, nullptr);
  board->SetOnInputReport(THidDataEvent::Bind<&WindowsController::Data>(this));
  WaitMs(100);  // the reader waits on the board
  const int before = changes;
  ASSERT_TRUE(EmulatedBoardControl::Request("unplug"));
  ASSERT_TRUE(WaitUntil([&] { return !static_cast<THidDevice*>(board)->Attached(); }));
  EXPECT_GT(changes, before);
  EXPECT_EQ(ListedBoard(), nullptr);
  uint32_t written = 0;
  const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  EXPECT_FALSE(board->WriteReport(command, sizeof command, written));
  delete board;  // the reader ends at once, its read cancelled

  ASSERT_TRUE(EmulatedBoardControl::Request("plug"));
  ASSERT_TRUE(WaitUntil([&] { return ListedBoard() != nullptr; }));
  board = ClaimBoard();
  ASSERT_NE(board, nullptr);
  sizes.clear();
  board->SetOnInputReport(THidDataEvent::Bind<&WindowsController::Data>(this));
  ASSERT_TRUE(SendCommand(board));
  EXPECT_TRUE(WaitUntil([&] { return !sizes.empty(); }, 5000));
  delete board;
}

}  // namespace
