// The window's logic on the real controller, device and reader, over an in-process
// platform whose board answers every command with a sample block.
#include <gtest/gtest.h>

#include "FakeHidPlatform.h"
#include "RecordingSeries.h"
#include "app/Form1.h"
#include "framework/Dialogs.h"
#include "framework/MessageWait.h"
#include "hid/HidDeviceController.h"

namespace {

class WindowOnRealController : public ::testing::Test {
 protected:
  void SetUp() override {
    platform = std::make_shared<TFakeHidPlatform>();
    SetMessageBoxHook([this](TBoxKind, const QString& text) { boxes.push_back(text); });
    platform->onWrite = [this](const std::string& path, const std::vector<uint8_t>& report) {
      if (report.size() >= 2 && report[1] == 3) platform->SendReport(path, block);
    };
    block.assign(64, 0);
    for (int k = 0; k < 32; ++k) block[2 * k] = static_cast<uint8_t>(k);  // raw 0..31
    block[63] = 0x02;                                                     // sample 31: 0x21F
  }
  void TearDown() override {
    form.reset();
    SetMessageBoxHook({});
  }
  // The controller as the window makes it: the board is the one kind it uses.
  void StartWindow() {
    auto* controller = new THidDeviceController(nullptr, platform);
    controller->SetUsedDevices({TForm1::kBoardKind});
    form = std::make_unique<TForm1>(controller, &series);
    ProcessMessages();  // the controller's start-up pass
  }
  // Starts measuring; the test runs the ticks itself.
  void StartMeasuring() {
    form->Image2Click(nullptr);
    form->Timer1->SetInterval(24 * 3600 * 1000);
  }
  std::string PlugBoard(bool accessible = true) {
    TFakeHidPlatform::TInterface board;
    board.descriptor = kBoardDescriptor;
    board.readWrite = accessible;
    return platform->Plug(board);
  }

  std::shared_ptr<TFakeHidPlatform> platform;
  std::vector<uint8_t> block;
  TRecordingSeries series;
  std::unique_ptr<TForm1> form;
  std::vector<QString> boxes;
};

}  // namespace

TEST_F(WindowOnRealController, MeasuresFromTheBoardFoundAtStartUp) {
  TFakeHidPlatform::TInterface mouse;
  mouse.attributes = {0x046D, 0xC077, 0};
  platform->Plug(mouse);
  const std::string board = PlugBoard();
  StartWindow();
  ASSERT_EQ(form->DevListBox->Items.Count(), 2);
  ASSERT_NE(form->BoardDevice, nullptr);
  StartMeasuring();
  form->Timer1Timer(nullptr);
  ASSERT_EQ(form->SampleHistory->Count(), 32);
  EXPECT_EQ(form->SampleHistory->Strings(0), "0.3");    // raw 0x21F
  EXPECT_EQ(form->SampleHistory->Strings(31), "-5.0");  // raw 0
  EXPECT_EQ(platform->Written(board).back(), (std::vector<uint8_t>{0, 3, 3, 3, 3, 3, 3, 3, 3}));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowOnRealController, UnplugWhileMeasuringEndsInC2AndReplugWorksAgain) {
  const std::string board = PlugBoard();
  StartWindow();
  StartMeasuring();
  platform->Unplug(board);
  platform->SignalChange();
  WaitMs(THidDeviceController::kCoalesceMs + 40);
  EXPECT_EQ(form->BoardDevice, nullptr);
  form->Timer1Timer(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "(C2)実験ボードと接続が確認出来ません。");
  EXPECT_FALSE(form->Timer1->Enabled());

  PlugBoard();
  platform->SignalChange();
  WaitMs(THidDeviceController::kCoalesceMs + 40);
  ASSERT_NE(form->BoardDevice, nullptr);
  StartMeasuring();
  form->Timer1Timer(nullptr);
  EXPECT_EQ(form->SampleHistory->Count(), 32);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(WindowOnRealController, WritesFailingWithENODEVBeforeThePassAreSurvived) {
  // The cable is out, but the change has not been noticed yet: writes fail with ENODEV and
  // the reader's node is hung up (EIO). Ticks go on without samples until the pass comes.
  const std::string board = PlugBoard();
  StartWindow();
  StartMeasuring();
  form->Timer1Timer(nullptr);
  ASSERT_EQ(form->SampleHistory->Count(), 32);
  platform->Unplug(board);
  uint32_t written = 0;
  const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  EXPECT_FALSE(form->BoardDevice->WriteReport(command, 9, written));
  EXPECT_EQ(errno, ENODEV);
  for (int i = 0; i < 3; ++i) form->Timer1Timer(nullptr);
  EXPECT_EQ(form->SampleHistory->Count(), 32);
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_TRUE(boxes.empty());

  platform->SignalChange();
  WaitMs(THidDeviceController::kCoalesceMs + 40);
  form->Timer1Timer(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "(C2)実験ボードと接続が確認出来ません。");
}

TEST_F(WindowOnRealController, ABoardThatCanOnlyBeQueriedShowsC3) {
  PlugBoard(/*accessible=*/false);
  StartWindow();
  ASSERT_NE(form->BoardDevice, nullptr);
  form->Image2Click(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].startsWith("(C3)"));
  EXPECT_TRUE(boxes[0].contains("udev"));
  EXPECT_FALSE(form->Timer1->Enabled());
}

// On Windows the system tells why the board couldn't be opened, and the advice follows:
// another program holds it, or the machine's policy forbids it.
TEST_F(WindowOnRealController, TheC3BoxAdvisesByWhatTheSystemSaidOfTheOpen) {
  platform->readWriteStandsInTheWay = true;
  platform->remedies = {{EBUSY, THidAccessRemedy::CloseOtherPrograms},
                        {EACCES, THidAccessRemedy::AskAdministrator}};
  const std::pair<int, QString> cases[] = {{EBUSY, QStringLiteral("他のプログラムを終了")},
                                           {EACCES, QStringLiteral("管理者に相談")}};
  for (const auto& [error, advice] : cases) {
    boxes.clear();
    const std::string board = PlugBoard(/*accessible=*/false);
    platform->Interface(board).readWriteError = error;
    StartWindow();
    ASSERT_NE(form->BoardDevice, nullptr);
    form->Image2Click(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].startsWith("(C3)"));
    EXPECT_TRUE(boxes[0].contains(advice)) << boxes[0].toStdString();
    EXPECT_FALSE(boxes[0].contains("udev"));
    EXPECT_FALSE(form->Timer1->Enabled());
    form.reset();
    platform->Unplug(board);
  }
}

// A PC's other HID interfaces, as Windows has them: one that answers nothing (a wedged
// device, whose every request would hang) and one the system keeps for itself (a keyboard:
// opening it for writing is refused). The window lists them, holds neither, finds the board
// and measures.
TEST_F(WindowOnRealController, OnWindowsOnlyTheBoardIsHeldAndADeadDeviceHoldsNothingUp) {
  platform->readWriteStandsInTheWay = true;
  TFakeHidPlatform::TInterface wedged;
  wedged.attributes = {0x0A5C, 0x4503, 0};
  wedged.descriptor = kBoardDescriptor;
  wedged.wedged = true;
  TFakeHidPlatform::TInterface keyboard;
  keyboard.attributes = {0x046D, 0xC31C, 0};
  keyboard.readWrite = false;
  const std::vector<std::string> others = {platform->Plug(wedged), platform->Plug(keyboard)};
  const std::string board = PlugBoard();
  StartWindow();
  ASSERT_EQ(form->DevListBox->Items.Count(), 3);
  EXPECT_EQ(form->DevListBox->Items.Strings(0), "0A5C 4503");
  ASSERT_NE(form->BoardDevice, nullptr);
  StartMeasuring();
  form->Timer1Timer(nullptr);
  EXPECT_EQ(form->SampleHistory->Count(), 32);
  EXPECT_TRUE(boxes.empty());
  // A device plugged while measuring: the pass hands every device out again, and still
  // none but the board is opened for more than a query.
  platform->Plug(keyboard);
  platform->SignalChange();
  WaitMs(THidDeviceController::kCoalesceMs + 40);
  ASSERT_EQ(form->DevListBox->Items.Count(), 4);
  form->Timer1Timer(nullptr);
  EXPECT_EQ(form->SampleHistory->Count(), 64);
  for (const std::string& other : others) {
    EXPECT_EQ(platform->Opens(other, THidAccess::ReadWrite), 0) << other;
    EXPECT_EQ(platform->Opens(other, THidAccess::Read), 0) << other;
    EXPECT_EQ(platform->OpenFiles(other), 0) << other;
  }
  EXPECT_GT(platform->OpenFiles(board), 0);
}

TEST_F(WindowOnRealController, WithoutDeviceSetupServicesStartShowsC1) {
  platform->bindFails = true;
  PlugBoard();
  StartWindow();
  EXPECT_EQ(form->BoardDevice, nullptr);
  form->Image2Click(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "(C1)実験ボードと接続が確認出来ません。");
}

TEST_F(WindowOnRealController, ClosingWhileMeasuringStopsEveryReader) {
  PlugBoard();
  PlugBoard();
  StartWindow();
  form->Image2Click(nullptr);
  WaitMs(250);  // real ticks
  EXPECT_GE(form->SampleHistory->Count(), 32);
  form.reset();
  EXPECT_EQ(platform->openHandles, 0);
  EXPECT_EQ(platform->bindCount, 0);
}
