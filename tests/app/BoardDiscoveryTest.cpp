#include <QTimer>

#include "Form1Fixture.h"

namespace {

TFakeInterface Device(uint16_t vendor, uint16_t product) {
  TFakeInterface iface;
  iface.identity = {vendor, product, 0};
  return iface;
}

std::vector<QString> ListedKeys(const TForm1& form) {
  std::vector<QString> keys;
  for (int i = 0; i < form.DevListBox->Items.Count(); ++i)
    keys.push_back(form.DevListBox->Items.Strings(i));
  return keys;
}

}  // namespace

using BoardDiscovery = Form1Test;

TEST_F(BoardDiscovery, ListsEveryDeviceAndSelectsTheBoardByItsKey) {
  controller->Plug(Device(0x046D, 0xC52B));
  controller->Plug(Device(0x21CF, 0x0005));
  controller->Plug(Device(0x21cf, 0x4));
  controller->DeviceChange();
  EXPECT_EQ(ListedKeys(*form), (std::vector<QString>{"046D C52B", "21CF 0005", "21CF 0004"}));
  ASSERT_NE(Board(), nullptr);
  EXPECT_EQ(form->DevListBox->Items.Objects(2), Board());
  EXPECT_EQ(TForm1::DeviceKey(Board()), "21CF 0004");
  for (int i = 0; i < 3; ++i) {
    auto* device = static_cast<TFakeHidDevice*>(form->DevListBox->Items.Objects(i));
    EXPECT_EQ(device->inputBufferCount, 128);
    EXPECT_EQ(device->readBufferCount, 128);
    EXPECT_TRUE(device->claimed);
    // Only the board gets the data handler.
    EXPECT_EQ(device->OnInputReport().Assigned(), device == Board());
  }
}

TEST_F(BoardDiscovery, WithoutTheBoardNothingIsSelected) {
  Plug(Device(0x21CF, 0x0005));
  EXPECT_EQ(form->DevListBox->Items.Count(), 1);
  EXPECT_EQ(form->BoardDevice, nullptr);
}

TEST_F(BoardDiscovery, TwoBoardsTheLaterIsSelectedAndBothLog) {
  controller->Plug(FakeBoard());
  controller->Plug(FakeBoard({SampleBlock(std::vector<uint16_t>(32, 0x0201))}));
  controller->DeviceChange();
  ASSERT_EQ(form->DevListBox->Items.Count(), 2);
  auto* first = static_cast<TFakeHidDevice*>(form->DevListBox->Items.Objects(0));
  EXPECT_EQ(form->DevListBox->Items.Objects(1), Board());
  StartMeasuring();
  EXPECT_TRUE(first->written.empty());
  EXPECT_EQ(Board()->written.size(), 1u);
  EXPECT_EQ(form->Memo1->Lines.Count(), 64);
  first->SendInputReport({0, 0xAB});
  WaitMs(20);
  ASSERT_EQ(form->Memo1->Lines.Count(), 65);
  EXPECT_EQ(form->Memo1->Lines.Line(64), "AB ");
}

TEST_F(BoardDiscovery, EachDataByteBecomesOneLogLine) {
  Plug(FakeBoard());
  Board()->SendInputReport({0, 0x00, 0x02, 0xFF});
  Board()->SendInputReport({7});  // an id and no data: nothing to log
  WaitMs(20);
  ASSERT_EQ(form->Memo1->Lines.Count(), 3);
  EXPECT_EQ(form->Memo1->Lines.Line(0), "00 ");
  EXPECT_EQ(form->Memo1->Lines.Line(1), "02 ");
  EXPECT_EQ(form->Memo1->Lines.Line(2), "FF ");
}

TEST_F(BoardDiscovery, AnswersArriveOnlyWhenMessagesAreProcessed) {
  Plug(FakeBoard({SampleBlock(std::vector<uint16_t>(32, 512))}));
  const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  uint32_t written = 0;
  ASSERT_TRUE(form->BoardDevice->WriteReport(command, 9, written));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(form->Memo1->Lines.Count(), 0);
  WaitMs(10);
  EXPECT_EQ(form->Memo1->Lines.Count(), 64);
}

TEST_F(BoardDiscovery, AnotherDeviceComingKeepsMeasuringOnTheBoardsNewObject) {
  Plug(FakeBoard({SampleBlock(std::vector<uint16_t>(32, 612))}));
  StartMeasuring();
  TCustomHidDevice* before = form->BoardDevice;
  const int mouse = Plug(Device(0x046D, 0xC52B));
  ASSERT_NE(Board(), nullptr);
  EXPECT_NE(form->BoardDevice, before);
  EXPECT_EQ(ListedKeys(*form), (std::vector<QString>{"21CF 0004", "046D C52B"}));
  form->Timer1Timer(nullptr);
  EXPECT_EQ(Board()->written.size(), 1u);
  EXPECT_EQ(History().size(), 32u);
  Unplug(mouse);
  form->Timer1Timer(nullptr);
  EXPECT_EQ(History().size(), 64u);
  EXPECT_EQ(Now(), kMeasuring);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(BoardDiscovery, UnpluggedWhileIdleThenStartShowsC1) {
  const int board = Plug(FakeBoard());
  Unplug(board);
  EXPECT_EQ(form->BoardDevice, nullptr);
  EXPECT_EQ(form->DevListBox->Items.Count(), 0);
  EXPECT_TRUE(controller->list.empty());
  StartMeasuring();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "(C1)実験ボードと接続が確認出来ません。");
}

TEST_F(BoardDiscovery, DeviceChangesInsideTheWaitLeaveTheTickSound) {
  // Unplug, replug and stop, all while a tick waits for its answer.
  const int board = Plug(FakeBoard({SampleBlock(std::vector<uint16_t>(32, 812))}));
  form->Image2Click(nullptr);
  QTimer::singleShot(5, [&] { Unplug(board); });
  QTimer::singleShot(15, [&] { Plug(FakeBoard()); });
  form->Timer1Timer(nullptr);
  EXPECT_NE(Board(), nullptr);
  EXPECT_EQ(Now(), kMeasuring);
  QTimer::singleShot(5, [&] { form->Image3Click(nullptr); });
  form->Timer1Timer(nullptr);
  EXPECT_EQ(Now(), kIdle);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(BoardDiscovery, ByteLogStopsGrowingAtItsLimit) {
  Plug(FakeBoard());
  const TReport chatter(65, 0x11);
  const int reports = TForm1::kByteLogLimit / 64 + 10;
  for (int i = 0; i < reports; ++i) Board()->SendInputReport(chatter);
  for (int i = 0; i < 200 && form->Memo1->Lines.Count() < TForm1::kByteLogLimit; ++i) WaitMs(10);
  WaitMs(50);
  EXPECT_EQ(form->Memo1->Lines.Count(), TForm1::kByteLogLimit);
  // A tick still finds its answer: it empties the log first.
  Board()->SetAnswer({SampleBlock(std::vector<uint16_t>(32, 512))});
  StartMeasuring();
  form->Timer1Timer(nullptr);
  EXPECT_EQ(History().size(), 32u);
}

TEST_F(BoardDiscovery, EnumerateHandlerListsAndClaimsByIndex) {
  controller->Plug(Device(0x1234, 0x5678));
  controller->Plug(FakeBoard());
  controller->SetOnDeviceChange({});
  controller->DeviceChange();
  TCustomHidDevice* listed = controller->list[1];
  EXPECT_TRUE(form->HidCtlEnumerate(listed, 1));
  ASSERT_EQ(form->DevListBox->Items.Count(), 1);
  EXPECT_EQ(form->DevListBox->Items.Strings(0), "21CF 0004");
  EXPECT_EQ(form->DevListBox->Items.Objects(0), listed);
  EXPECT_EQ(controller->list[1]->inputBufferCount, 128);
  // An index that can't be claimed still lists the key, without a device.
  EXPECT_TRUE(form->HidCtlEnumerate(listed, 1));
  EXPECT_EQ(form->DevListBox->Items.Objects(1), nullptr);
  EXPECT_EQ(form->BoardDevice, nullptr);
}
