// The emulated board as the HID layer meets it: on a stream node, yet one answer per read,
// as hidraw hands out one report per read. Runs under umockdev-wrapper.
// umockdev's glib headers first: Qt's "signals" keyword is a name in them.
#include "EmulatedBoard.h"
// Qt after them.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/MessageWait.h"
#include "hid/HidDeviceController.h"

namespace {

class EmulatedBoardOnTheHidLayer : public ::testing::Test {
 protected:
  void TearDown() override {
    delete device;
    controller.reset();
    board.reset();
    bed.reset();
  }

  // The board plugged in and claimed, its reports collected.
  void Start(const TBoardOptions& options) {
    bed = std::make_unique<THidTestbed>();
    board = std::make_unique<TEmulatedBoard>(*bed, options);
    board->Plug(/*announce=*/false);
    controller = std::make_unique<THidDeviceController>(nullptr, LinuxHidPlatform());
    controller->SetLoading(true);
    controller->SetLoading(false);
    ProcessMessages();
    ASSERT_TRUE(controller->ClaimDevice(device));
    device->SetOnInputReport(THidDataEvent::Bind<&EmulatedBoardOnTheHidLayer::Data>(this));
  }

  // Commands written one right after the other, before any answer can have been read.
  void Ask(int commands) {
    const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
    for (int i = 0; i < commands; ++i) {
      uint32_t written = 0;
      ASSERT_TRUE(device->WriteReport(command, sizeof command, written));
    }
  }

  bool WaitForReports(size_t count) {
    for (int i = 0; i < 300 && received.size() < count; ++i) WaitMs(10);
    return received.size() >= count;
  }

 public:
  void Data(TCustomHidDevice*, uint8_t, const uint8_t* data, uint16_t size) {
    received.emplace_back(data, data + size);
  }

 protected:
  std::unique_ptr<THidTestbed> bed;
  std::unique_ptr<TEmulatedBoard> board;
  std::unique_ptr<THidDeviceController> controller;
  TCustomHidDevice* device = nullptr;
  std::vector<std::vector<uint8_t>> received;
};

TBoardOptions Ramp() {
  TBoardOptions options;
  options.signal.kind = TSignalKind::File;
  for (uint16_t raw = 0; raw < 1024; ++raw) options.signal.rawValues.push_back(raw);
  return options;
}

}  // namespace

TEST_F(EmulatedBoardOnTheHidLayer, ShortAnswersArriveAsShortReportsEachOnItsOwn) {
  TBoardOptions options = Ramp();
  options.shortAnswerBytes = 10;
  ASSERT_NO_FATAL_FAILURE(Start(options));
  // Seven answers of 10 bytes would pass for one whole block of 64 on a plain stream.
  ASSERT_NO_FATAL_FAILURE(Ask(7));
  ASSERT_TRUE(WaitForReports(7)) << received.size() << " reports";
  WaitMs(50);  // nothing more comes
  ASSERT_EQ(received.size(), 7u);
  const auto sent = board->Sent();
  ASSERT_EQ(sent.size(), 7u);
  for (size_t i = 0; i < received.size(); ++i) {
    EXPECT_EQ(received[i].size(), 10u) << "report " << i;
    EXPECT_EQ(received[i], sent[i]) << "report " << i;
  }
  // Each is the start of the board's next block of 32 samples: 0, 32, 64...
  EXPECT_EQ(received[1][0], 32);
  EXPECT_EQ(received[2][0], 64);
}

TEST_F(EmulatedBoardOnTheHidLayer, WholeAnswersAskedTogetherStayApartInOrder) {
  TBoardOptions options = Ramp();
  options.name = "Lab 3 board";
  ASSERT_NO_FATAL_FAILURE(Start(options));
  EXPECT_EQ(static_cast<THidDevice*>(device)->InterfaceInfo().Name, "Lab 3 board");
  ASSERT_NO_FATAL_FAILURE(Ask(10));
  ASSERT_TRUE(WaitForReports(10)) << received.size() << " reports";
  const auto sent = board->Sent();
  ASSERT_EQ(sent.size(), 10u);
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(received[i].size(), 64u) << "report " << i;
    EXPECT_EQ(received[i], sent[i]) << "report " << i;
  }
}

TEST_F(EmulatedBoardOnTheHidLayer, AnAnswerWithoutBytesIsNoReport) {
  TBoardOptions options = Ramp();
  options.shortAnswerBytes = 0;
  ASSERT_NO_FATAL_FAILURE(Start(options));
  ASSERT_NO_FATAL_FAILURE(Ask(3));
  for (int i = 0; i < 300 && board->Sent().size() < 3; ++i) WaitMs(10);
  EXPECT_EQ(board->Sent().size(), 3u);
  WaitMs(50);
  EXPECT_TRUE(received.empty());
}

// Wine starts its device drivers as session leaders without a terminal, and the pty behind
// the node is a terminal: opened without O_NOCTTY it would become theirs, and the unplug's
// hang-up would kill them with SIGHUP instead of ending their read.
TEST_F(EmulatedBoardOnTheHidLayer, ASessionLeaderThatOpensTheNodeOutlivesTheUnplug) {
  bed = std::make_unique<THidTestbed>();
  board = std::make_unique<TEmulatedBoard>(*bed, Ramp());
  board->Plug(/*announce=*/false);
  FILE* reader = popen(
      "exec setsid sh -c 'exec 3<>/dev/hidraw0 && echo opened && cat <&3 >/dev/null 2>&1; "
      "echo survived'",
      "r");
  ASSERT_NE(reader, nullptr);
  char line[64] = {};
  ASSERT_NE(fgets(line, sizeof line, reader), nullptr);
  EXPECT_STREQ(line, "opened\n");
  board->Unplug();
  const char* survived = fgets(line, sizeof line, reader);
  EXPECT_NE(survived, nullptr);
  if (survived) {
    EXPECT_STREQ(line, "survived\n");
  }
  pclose(reader);
}
