// Which interfaces the device layer opens for reading and writing: where such handles stand in
// other programs' way (Windows), only the kinds of device the application uses; everything
// else is known from query-only handles that are closed at once. And what a refused open
// said, which the advice to the user depends on.
#include "HidFixture.h"

namespace {

constexpr THidDeviceId kBoard{0x21CF, 0x0004};

class UsedDevices : public HidTest {
 protected:
  void SetUp() override {
    HidTest::SetUp();
    platform->readWriteStandsInTheWay = true;
  }
  void StartUsingTheBoardOnly() {
    controller = std::make_unique<THidDeviceController>(nullptr, platform);
    controller->SetUsedDevices({kBoard});
    controller->SetLoading(true);
    controller->SetOnDeviceChange(TNotifyEvent::Bind<&HidTest::Changed>(this));
    controller->SetLoading(false);
    ProcessMessages();
  }
  std::string PlugMouse(bool wedged = false) {
    TFakeHidPlatform::TInterface mouse;
    mouse.attributes = {0x046D, 0xC077, 0x0100};
    mouse.descriptor = kBoardDescriptor;  // any descriptor with reports both ways
    mouse.wedged = wedged;
    return platform->Plug(mouse);
  }
  THidDevice* Listed(const std::string& path) {
    for (THidDevice* device : controller->DeviceList())
      if (device->InterfaceInfo().InterfacePath == path) return device;
    return nullptr;
  }
  // What the window does to every device it claims.
  static void UseAsTheWindowDoes(THidDevice* device, THidDataEvent handler) {
    device->SetInputBufferCount(128);
    device->SetReadBufferCount(128);
    device->SetOnInputReport(handler);
  }
};

}  // namespace

TEST_F(UsedDevices, OnlyTheUsedKindIsOpenedForReadingAndWritingAndNothingElseIsHeld) {
  const std::string mouse = PlugMouse(/*wedged=*/true);
  const std::string board = PlugBoard();
  StartUsingTheBoardOnly();
  ASSERT_EQ(controller->DeviceList().size(), 2u);
  THidDevice* other = static_cast<THidDevice*>(Claim());
  THidDevice* ours = static_cast<THidDevice*>(Claim());
  ASSERT_EQ(other->InterfaceInfo().InterfacePath, mouse);
  EXPECT_EQ(other->Identity().VendorID, 0x046D);  // identified all the same
  EXPECT_TRUE(other->ListedOnly());
  EXPECT_FALSE(other->CanReadWrite());
  EXPECT_EQ(other->Capabilities().InputReportByteLength, 65);  // the system's parse, as ever

  UseAsTheWindowDoes(other, DataHandler());
  EXPECT_FALSE(other->HasReader());
  EXPECT_EQ(other->InputBufferCount(), 0);
  EXPECT_EQ(other->ReadBufferCount(), 0);
  const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  uint32_t written = 7;
  errno = 0;
  EXPECT_FALSE(other->WriteReport(command, 9, written));  // at once: it is wedged
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(platform->Opens(mouse, THidAccess::ReadWrite), 0);
  EXPECT_EQ(platform->Opens(mouse, THidAccess::Read), 0);
  EXPECT_EQ(platform->OpenFiles(mouse), 0);

  EXPECT_FALSE(ours->ListedOnly());
  EXPECT_TRUE(ours->CanReadWrite());
  UseAsTheWindowDoes(ours, DataHandler());
  EXPECT_TRUE(ours->HasReader());
  EXPECT_EQ(ours->ReadBufferCount(), 128);
  EXPECT_TRUE(ours->WriteReport(command, 9, written));
  platform->SendReport(board, std::vector<uint8_t>(64, 0x21));
  ASSERT_TRUE(WaitUntil([&] { return reports.size() == 1; }));

  // Given back, the mouse's fresh object is made the same way; a pass changes nothing.
  delete other;
  Notify();
  EXPECT_TRUE(Listed(mouse)->ListedOnly());
  EXPECT_EQ(platform->Opens(mouse, THidAccess::ReadWrite), 0);
  EXPECT_EQ(platform->OpenFiles(mouse), 0);
  delete ours;
  EXPECT_EQ(platform->openHandles, 0);
}

TEST_F(UsedDevices, EveryInterfaceIsOpenedAsBeforeWhereHandlesStandInNobodysWay) {
  // Linux: the list of used kinds changes nothing.
  platform->readWriteStandsInTheWay = false;
  const std::string mouse = PlugMouse();
  StartUsingTheBoardOnly();
  EXPECT_FALSE(Listed(mouse)->ListedOnly());
  EXPECT_TRUE(Listed(mouse)->CanReadWrite());
  EXPECT_EQ(platform->Opens(mouse, THidAccess::ReadWrite), 1);
  EXPECT_EQ(platform->Opens(mouse, THidAccess::QueryOnly), 0);

  // Nor does a platform whose handles stand in the way, for an application that names no
  // kind: every interface is opened for reading and writing, as the controller always did.
  controller.reset();
  platform->readWriteStandsInTheWay = true;
  StartController();
  EXPECT_FALSE(Listed(mouse)->ListedOnly());
  EXPECT_EQ(platform->Opens(mouse, THidAccess::ReadWrite), 2);
}

TEST_F(UsedDevices, TheCauseOfARefusedOpenDecidesTheRemedyAndAnotherTryMayWork) {
  platform->remedies = {{EBUSY, THidAccessRemedy::CloseOtherPrograms},
                        {EACCES, THidAccessRemedy::AskAdministrator}};
  TFakeHidPlatform::TInterface held;
  held.descriptor = kBoardDescriptor;
  held.readWrite = false;
  held.readWriteError = EBUSY;  // another program opened it without sharing
  const std::string heldPath = platform->Plug(held);
  TFakeHidPlatform::TInterface forbidden = held;
  forbidden.readWriteError = EACCES;  // the machine's policy
  platform->Plug(forbidden);
  StartUsingTheBoardOnly();
  THidDevice* first = static_cast<THidDevice*>(Claim());
  THidDevice* second = static_cast<THidDevice*>(Claim());
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(first->CanReadWrite());
  EXPECT_EQ(first->AccessRemedy(), THidAccessRemedy::CloseOtherPrograms);
  EXPECT_EQ(platform->remedyAskedFor, EBUSY);
  EXPECT_FALSE(second->CanReadWrite());
  EXPECT_EQ(second->AccessRemedy(), THidAccessRemedy::AskAdministrator);
  EXPECT_EQ(platform->remedyAskedFor, EACCES);

  // The other program lets go: the next open takes the board for reading and writing.
  platform->Interface(heldPath).readWrite = true;
  const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  uint32_t written = 0;
  EXPECT_TRUE(first->WriteReport(command, 9, written));
  EXPECT_TRUE(first->CanReadWrite());
  delete first;
  delete second;
}
