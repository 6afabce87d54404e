// The Windows backend (SetupAPI, hid.dll, overlapped I/O, device notices) under Wine, against
// the emulated board: Wine's HID bus passes the emulated hidraw node through to Windows
// programs (tools/wine-hid-tests.sh). The program unplugs and plugs the board by asking the
// emulated board's runner through SIMPLESCOPE_BOARD_CONTROL, a folder both can see.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/WakeEvent.h"
#include "hid/HidPlatform.h"
#include "hid/HidWindows.h"
#include "hid/SetupApiWindows.h"
#include "protocol/BoardProtocol.h"
#include "tests/EmulatedBoardControl.h"

namespace {

// Wine's own HID devices (its virtual mouse and keyboard) have this vendor.
constexpr uint16_t kWineVendor = 0x845E;
// Wine's bus sees a plug or unplug a second or two after the node changes.
constexpr int kPlugWaitMs = 20000;
constexpr uint32_t kCommandReportBytes = 9;
constexpr uint32_t kInputReportBytes = 65;

bool IsBoard(const THidAttributes& attributes) {
  return BoardProtocol::IsBoard(attributes.VendorID, attributes.ProductID);
}

class WindowsPlatform : public ::testing::Test {
 protected:
  void SetUp() override {
    if (EmulatedBoardControl::Folder().empty())
      GTEST_SKIP() << "no emulated board (SIMPLESCOPE_BOARD_CONTROL)";
    ASSERT_TRUE(WaitForBoard(true)) << "the emulated board is not listed";
  }
  void TearDown() override {
    for (THidHandle* handle : {&control, &reader})
      if (handle->Valid()) platform->Close(*handle);
  }

  // The board's record, once it is listed (or, with present false, once it is not).
  bool WaitForBoard(bool present) {
    for (int waited = 0; waited < kPlugWaitMs; waited += 100) {
      board = {};
      std::vector<THidInterfaceRecord> records;
      platform->EnumerateInterfaces(records);
      for (const THidInterfaceRecord& record : records) {
        THidHandle handle = platform->Open(record.InterfacePath, THidAccess::QueryOnly);
        THidAttributes attributes;
        const bool found = platform->GetAttributes(handle, attributes) && IsBoard(attributes);
        platform->Close(handle);
        if (found) board = record;
      }
      if (board.InterfacePath.empty() != present) return true;
      Sleep(100);
    }
    return false;
  }

  void OpenBoard() {
    control = platform->Open(board.InterfacePath, THidAccess::ReadWrite);
    reader = platform->Open(board.InterfacePath, THidAccess::Read);
    ASSERT_TRUE(control.file.Valid() && !control.queryOnly);
    ASSERT_TRUE(reader.file.Valid());
  }

  bool SendCommand() {
    uint8_t report[kCommandReportBytes] = {0};
    std::fill(report + 1, report + kCommandReportBytes, BoardProtocol::kSampleCommand);
    uint32_t written = 0;
    return platform->Write(control, report, kCommandReportBytes, written) &&
           written == kCommandReportBytes;
  }

  THidReadResult ReadReport(int timeoutMs) {
    buffer.assign(kInputReportBytes, 0xEE);
    return platform->Read(reader, buffer.data(), kInputReportBytes, true, timeoutMs, wake.Object());
  }

  std::shared_ptr<THidPlatform> platform = WindowsHidPlatform();
  THidInterfaceRecord board;
  THidHandle control, reader;
  TWakeEvent wake;
  std::vector<uint8_t> buffer;
};

TEST_F(WindowsPlatform, ListsTheBoardAmongWinesOwnDevicesWithItsIdentity) {
  std::vector<THidInterfaceRecord> records;
  ASSERT_TRUE(platform->EnumerateInterfaces(records));
  int boards = 0, others = 0;
  for (const THidInterfaceRecord& record : records) {
    EXPECT_FALSE(record.DeviceInstance.empty());
    THidHandle handle = platform->Open(record.InterfacePath, THidAccess::QueryOnly);
    ASSERT_TRUE(handle.Valid()) << record.InterfacePath;
    THidAttributes attributes;
    ASSERT_TRUE(platform->GetAttributes(handle, attributes)) << record.InterfacePath;
    platform->Close(handle);
    if (IsBoard(attributes)) {
      ++boards;
      EXPECT_NE(record.InterfacePath.find("vid_21cf&pid_0004"), std::string::npos)
          << record.InterfacePath;
      // The name the system keeps, not the one the device would give if asked: Wine keeps
      // no bus-reported name and describes every HID node alike.
      EXPECT_EQ(record.Name, "Wine HID device");
    } else if (attributes.VendorID == kWineVendor) {
      ++others;
    }
  }
  EXPECT_EQ(boards, 1);
  EXPECT_GE(others, 2);  // Wine's mouse and keyboard
  // Two listings in a row name every interface the same way.
  std::vector<THidInterfaceRecord> again;
  ASSERT_TRUE(platform->EnumerateInterfaces(again));
  ASSERT_EQ(again.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i)
    EXPECT_EQ(again[i].DeviceInstance, records[i].DeviceInstance);
}

TEST_F(WindowsPlatform, ReportLengthsComeFromTheSystemsParseOfTheDescriptor) {
  THidHandle handle = platform->Open(board.InterfacePath, THidAccess::QueryOnly);
  THidDescriptorInfo info;
  ASSERT_TRUE(platform->GetDescriptorInfo(handle, info));
  platform->Close(handle);
  EXPECT_EQ(info.UsagePage, 0xFF00);
  EXPECT_EQ(info.Usage, 1);
  EXPECT_EQ(info.InputReportByteLength, kInputReportBytes);  // the report-id byte included
  EXPECT_EQ(info.OutputReportByteLength, kCommandReportBytes);
  EXPECT_EQ(info.FeatureReportByteLength, 0);
  EXPECT_FALSE(info.Numbered);
}

TEST_F(WindowsPlatform, ACommandIsAnsweredWithASampleBlockAfterAZeroReportId) {
  OpenBoard();
  ASSERT_TRUE(SendCommand());
  const THidReadResult result = ReadReport(5000);
  ASSERT_EQ(result.status, THidReadStatus::Completed) << result.error;
  EXPECT_EQ(result.bytes, kInputReportBytes);
  EXPECT_EQ(buffer[0], 0);
  // Nothing more was asked for: the next read runs out of time.
  EXPECT_EQ(ReadReport(300).status, THidReadStatus::TimedOut);
}

// One command at a time, as the window and the recorder send them: the emulated node is a
// pty, which joins reports that wait together into one read, and Wine's bus then takes them
// for one oversized report. A real node hands over one report per read.
TEST_F(WindowsPlatform, EveryCommandGetsItsOwnAnswer) {
  OpenBoard();
  ASSERT_TRUE(platform->SetNumInputBuffers(reader, 128));
  constexpr int kCommands = 5;
  int answers = 0;
  for (int i = 0; i < kCommands; ++i) {
    ASSERT_TRUE(SendCommand());
    const THidReadResult result = ReadReport(5000);
    if (result.status == THidReadStatus::Completed && result.bytes == kInputReportBytes) ++answers;
  }
  EXPECT_EQ(answers, kCommands);
  EXPECT_EQ(ReadReport(300).status, THidReadStatus::TimedOut);
}

TEST_F(WindowsPlatform, AWakeEndsAReadAndIsUsedUp) {
  OpenBoard();
  wake.Signal();
  EXPECT_EQ(ReadReport(10000).status, THidReadStatus::Woken);
  EXPECT_EQ(ReadReport(200).status, THidReadStatus::TimedOut);

  std::thread waker([this] {
    Sleep(200);
    wake.Signal();
  });
  const THidReadResult result = ReadReport(30000);
  waker.join();
  EXPECT_EQ(result.status, THidReadStatus::Woken);
  // The read the wake left queued takes the answer that comes while nobody waits, and the
  // next Read hands it over at once, whole.
  ASSERT_TRUE(SendCommand());
  Sleep(500);
  const THidReadResult queued = ReadReport(0);
  EXPECT_EQ(queued.status, THidReadStatus::Completed);
  EXPECT_EQ(queued.bytes, kInputReportBytes);
  EXPECT_EQ(ReadReport(200).status, THidReadStatus::TimedOut);
  // Closing the handle with a read still queued ends it; a new handle reads as before.
  platform->Close(reader);
  reader = platform->Open(board.InterfacePath, THidAccess::Read);
  ASSERT_TRUE(reader.Valid());
  ASSERT_TRUE(SendCommand());
  EXPECT_EQ(ReadReport(5000).status, THidReadStatus::Completed);
}

TEST_F(WindowsPlatform, InputQueueLengthsAreKeptPerHandle) {
  OpenBoard();
  ASSERT_TRUE(platform->SetNumInputBuffers(control, 128));
  ASSERT_TRUE(platform->SetNumInputBuffers(reader, 64));
  int count = 0;
  ASSERT_TRUE(platform->GetNumInputBuffers(control, count));
  EXPECT_EQ(count, 128);
  ASSERT_TRUE(platform->GetNumInputBuffers(reader, count));
  EXPECT_EQ(count, 64);
  EXPECT_FALSE(platform->SetNumInputBuffers(reader, 0));
  EXPECT_EQ(errno, EINVAL);
}

TEST_F(WindowsPlatform, AQueryOnlyHandleIdentifiesButNeitherWritesNorReads) {
  THidHandle query = platform->Open(board.InterfacePath, THidAccess::QueryOnly);
  ASSERT_TRUE(query.Valid());
  EXPECT_TRUE(query.queryOnly);
  THidAttributes attributes;
  EXPECT_TRUE(platform->GetAttributes(query, attributes));
  const uint8_t report[kCommandReportBytes] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  uint32_t written = 99;
  EXPECT_FALSE(platform->Write(query, report, kCommandReportBytes, written));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(written, 0u);
  uint8_t in[kInputReportBytes];
  EXPECT_EQ(platform->Read(query, in, sizeof in, true, 100, {}).status, THidReadStatus::Failed);
  platform->Close(query);
  EXPECT_FALSE(query.Valid());
}

// The two refusals a PC gives an open for reading and writing, as the device layer keeps them
// for the advice. (Wine enforces no sharing on device files, so it can't produce either.)
TEST_F(WindowsPlatform, EachRefusalOfAnOpenHasItsOwnRemedy) {
  EXPECT_EQ(platform->AccessRemedy(HidWindows::ErrnoOf(ERROR_SHARING_VIOLATION)),
            THidAccessRemedy::CloseOtherPrograms);
  EXPECT_EQ(platform->AccessRemedy(HidWindows::ErrnoOf(ERROR_ACCESS_DENIED)),
            THidAccessRemedy::AskAdministrator);
  EXPECT_TRUE(platform->ReadWriteHandlesStandInTheWay());
}

TEST_F(WindowsPlatform, AnInterfaceThatIsNotThereCannotBeOpened) {
  const std::string gone =
      R"(\\?\hid#vid_21cf&pid_0004#0&0000&0&9999#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  for (THidAccess access : {THidAccess::ReadWrite, THidAccess::Read, THidAccess::QueryOnly}) {
    THidHandle handle = platform->Open(gone, access);
    EXPECT_FALSE(handle.Valid());
    EXPECT_EQ(errno, ENODEV);
  }
}

// Last: the board leaves and comes back. A read waiting on it ends with a failure, the
// monitor tells of both changes, and the board comes back as a new device.
TEST_F(WindowsPlatform, UnplugEndsAWaitingReadAndBothChangesAreNoticed) {
  OpenBoard();
  const std::string before = board.DeviceInstance;
  const TSystemHandle monitor = platform->OpenChangeMonitor();
  ASSERT_TRUE(monitor.Valid());
  EXPECT_FALSE(platform->DrainChangeEvents(monitor));

  THidReadResult result;
  std::atomic<bool> readEnded{false};
  std::thread waiting([&] {
    result = ReadReport(60000);
    readEnded = true;
  });
  Sleep(200);
  ASSERT_TRUE(EmulatedBoardControl::Request("unplug"));
  for (int waited = 0; waited < kPlugWaitMs && !readEnded; waited += 50) Sleep(50);
  if (!readEnded) wake.Signal();  // don't hang the run; the expectation below fails
  waiting.join();
  EXPECT_EQ(result.status, THidReadStatus::Failed);
  EXPECT_EQ(WaitForSingleObject(monitor.Handle(), kPlugWaitMs), WAIT_OBJECT_0);
  EXPECT_TRUE(platform->DrainChangeEvents(monitor));
  EXPECT_TRUE(WaitForBoard(false));
  // The dead handles fail at once rather than hang.
  uint32_t written = 0;
  const uint8_t report[kCommandReportBytes] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  EXPECT_FALSE(platform->Write(control, report, kCommandReportBytes, written));
  EXPECT_EQ(ReadReport(5000).status, THidReadStatus::Failed);

  ASSERT_TRUE(EmulatedBoardControl::Request("plug"));
  EXPECT_EQ(WaitForSingleObject(monitor.Handle(), kPlugWaitMs), WAIT_OBJECT_0);
  ASSERT_TRUE(WaitForBoard(true));
  EXPECT_TRUE(platform->DrainChangeEvents(monitor));
  EXPECT_NE(board.DeviceInstance, before);
  platform->CloseChangeMonitor(monitor);
  EXPECT_EQ(SetupApiWindows::OpenMonitorCount(), 0);
}

}  // namespace
