#include <thread>

#include "HidFixture.h"

using HidDevice = HidTest;

namespace {
std::vector<uint8_t> Block(uint8_t first) {
  std::vector<uint8_t> block(64);
  for (int i = 0; i < 64; ++i) block[i] = static_cast<uint8_t>(first + i);
  return block;
}
}  // namespace

TEST_F(HidDevice, TheBoardsReportsArriveWithReportIdZeroAndAllTheirBytes) {
  const std::string board = PlugBoard();
  StartController();
  THidDevice* device = Claim();
  EXPECT_EQ(device->Capabilities().InputReportByteLength, 65);
  EXPECT_EQ(device->Capabilities().OutputReportByteLength, 9);
  device->SetOnInputReport(DataHandler());
  EXPECT_TRUE(device->HasReader());
  platform->SendReport(board, Block(0x10));
  platform->SendReport(board, Block(0x20));
  // Nothing reaches the handler until the main thread processes messages.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_TRUE(reports.empty());
  ASSERT_TRUE(WaitUntil([&] { return reports.size() == 2; }));
  EXPECT_EQ(reports[0].reportId, 0);
  EXPECT_EQ(reports[0].data, Block(0x10));
  EXPECT_EQ(reports[1].data, Block(0x20));

  const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  uint32_t written = 0;
  EXPECT_TRUE(device->WriteReport(command, 9, written));
  EXPECT_EQ(written, 9u);
  EXPECT_EQ(platform->Written(board).back(), std::vector<uint8_t>(command, command + 9));
  delete device;
  EXPECT_EQ(platform->openHandles, 0);
}

TEST_F(HidDevice, NumberedReportsKeepTheirId) {
  TFakeHidPlatform::TInterface numbered;
  numbered.descriptor = NumberedDescriptor();
  const std::string path = platform->Plug(numbered);
  StartController();
  THidDevice* device = Claim();
  device->SetOnInputReport(DataHandler());
  platform->SendReport(path, {5, 0xAA, 0xBB});
  platform->SendReport(path, {5});
  ASSERT_TRUE(WaitUntil([&] { return reports.size() == 2; }));
  EXPECT_EQ(reports[0].reportId, 5);
  EXPECT_EQ(reports[0].data, (std::vector<uint8_t>{0xAA, 0xBB}));
  EXPECT_TRUE(reports[1].data.empty());
  delete device;
}

TEST_F(HidDevice, AQueryOnlyInterfaceIsListedButNeverReadOrWritten) {
  TFakeHidPlatform::TInterface locked;
  locked.readWrite = false;
  locked.descriptor = kBoardDescriptor;
  platform->Plug(locked);
  StartController();
  THidDevice* device = Claim();
  ASSERT_NE(device, nullptr);
  EXPECT_FALSE(device->CanReadWrite());
  EXPECT_EQ(device->Identity().ProductID, 0x0004);
  EXPECT_EQ(device->Capabilities().OutputReportByteLength, 9);  // from sysfs, no permission
  device->SetOnInputReport(DataHandler());
  EXPECT_FALSE(device->HasReader());
  const uint8_t command[2] = {0, 3};
  uint32_t written = 7;
  errno = 0;
  EXPECT_FALSE(device->WriteReport(command, 2, written));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(written, 0u);
  delete device;
}

TEST_F(HidDevice, BufferCountsAreAskedOfTheDriverOnlyWhenTheyChange) {
  PlugBoard();
  StartController();
  THidDevice* device = Claim();
  device->SetInputBufferCount(128);
  EXPECT_EQ(device->InputBufferCount(), 128);
  const int calls = platform->setBufferCalls;
  device->SetInputBufferCount(128);
  EXPECT_EQ(platform->setBufferCalls, calls);
  // Fetching the capabilities closes the main handle, and a closed handle has no count.
  device->Capabilities();
  EXPECT_EQ(device->InputBufferCount(), 0);
  const uint8_t command[2] = {0, 3};
  uint32_t written;
  EXPECT_TRUE(device->WriteReport(command, 2, written));
  EXPECT_EQ(platform->setBufferCalls, calls);  // reopened without sending a count
  EXPECT_EQ(device->InputBufferCount(), 32);   // the driver's default
  device->SetReadBufferCount(128);
  EXPECT_EQ(device->ReadBufferCount(), 128);
  delete device;
  EXPECT_EQ(platform->openHandles, 0);
}

TEST_F(HidDevice, ReadSleepTimeKeepsToItsRange) {
  PlugBoard();
  StartController();
  THidDevice* device = controller->DeviceList()[0];
  for (int bad : {9, 10001, -1}) {
    device->SetReadSleepTime(bad);
    EXPECT_EQ(device->ReadSleepTime(), 100);
  }
  device->SetReadSleepTime(10);
  EXPECT_EQ(device->ReadSleepTime(), 10);
  device->SetReadSleepTime(10000);
  EXPECT_EQ(device->ReadSleepTime(), 10000);
}

TEST_F(HidDevice, OnlyAClaimStartsTheReader) {
  PlugBoard();
  StartController();
  THidDevice* listed = controller->DeviceList()[0];
  listed->SetOnInputReport(DataHandler());
  EXPECT_FALSE(listed->HasReader());
  THidDevice* device = Claim();
  EXPECT_EQ(device, listed);
  EXPECT_TRUE(device->HasReader());
  delete device;
}

TEST_F(HidDevice, EmptyingTheHandlerLetsAPendingDeliveryThroughFirst) {
  const std::string board = PlugBoard();
  StartController();
  THidDevice* device = Claim();
  device->SetOnInputReport(DataHandler());
  platform->SendReport(board, Block(1));
  // Give the reader time to read it and block in the hand-over; then stop it.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  device->SetOnInputReport({});
  EXPECT_FALSE(device->HasReader());
  ASSERT_EQ(reports.size(), 1u);
  platform->SendReport(board, Block(2));
  WaitMs(50);
  EXPECT_EQ(reports.size(), 1u);
  delete device;
}

TEST_F(HidDevice, DetachReportsOnce) {
  PlugBoard();
  StartController();
  THidDevice* device = Claim();
  journal.clear();
  device->Detach();
  device->Detach();
  EXPECT_EQ(journal, Journal{"detach"});
  EXPECT_FALSE(device->Attached());
  delete device;
  EXPECT_TRUE(controller->DeviceList().empty());
}

TEST_F(HidDevice, UnplugWhileTheReaderWaitsNeitherHangsNorSpins) {
  const std::string board = PlugBoard();
  StartController();
  THidDevice* device = Claim();
  device->SetOnReadError(THidDataErrorEvent::Bind<&HidTest::ReadError>(this));
  device->SetOnInputReport(DataHandler());
  platform->SendReport(board, Block(7));
  ASSERT_TRUE(WaitUntil([&] { return reports.size() == 1; }));
  platform->Unplug(board);
  Notify();
  EXPECT_FALSE(device->Attached());
  // The detached reader reports that it can't read, at its own pace, not in a loop.
  WaitMs(300);
  EXPECT_GE(readErrors.size(), 1u);
  EXPECT_LE(readErrors.size(), 5u);
  EXPECT_EQ(readErrors.front(), uint32_t(ENODEV));
  const auto begin = std::chrono::steady_clock::now();
  delete device;
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(150));
  EXPECT_EQ(platform->openHandles, 0);
}

TEST_F(HidDevice, AHandlerThatRaisesIsReportedAndReadingGoesOn) {
  const std::string board = PlugBoard();
  StartController();
  THidDevice* device = Claim();
  device->SetOnInputReport(DataHandler());
  raiseInHandler = true;
  platform->SendReport(board, Block(1));
  platform->SendReport(board, Block(2));
  ASSERT_TRUE(WaitUntil([&] { return reports.size() == 2; }));
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "report handler failed"), 2);
  delete device;
}

TEST_F(HidDevice, ManyHandsOnTheReadHandleAtOnce) {
  // The main thread opens, counts and closes the read handle while the reader uses it.
  const std::string board = PlugBoard();
  StartController();
  THidDevice* device = Claim();
  device->SetOnInputReport(DataHandler());
  for (int i = 0; i < 50; ++i) {
    platform->SendReport(board, Block(static_cast<uint8_t>(i)));
    device->SetReadBufferCount(i % 2 ? 128 : 64);
    ProcessMessages();
  }
  ASSERT_TRUE(WaitUntil([&] { return reports.size() == 50; }));
  delete device;
  EXPECT_EQ(platform->openHandles, 0);
}
