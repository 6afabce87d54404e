#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeHidPlatform.h"
#include "framework/Dialogs.h"
#include "framework/Exceptions.h"
#include "framework/MessageWait.h"
#include "hid/HidDeviceController.h"

// A controller on the in-process platform, with every event written into one journal.
class HidTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform = std::make_shared<TFakeHidPlatform>();
    SetMessageBoxHook([this](TBoxKind, const QString& text) {
      journal.push_back("report " + text.toStdString());
    });
  }
  void TearDown() override {
    controller.reset();
    SetMessageBoxHook({});
  }

  // Makes the controller with every event bound, and lets its start-up pass run.
  void StartController() {
    controller = std::make_unique<THidDeviceController>(nullptr, platform);
    controller->SetLoading(true);
    controller->SetOnArrival(THidPlugEvent::Bind<&HidTest::Arrival>(this));
    controller->SetOnRemoval(THidPlugEvent::Bind<&HidTest::Removal>(this));
    controller->SetOnDeviceUnplug(THidPlugEvent::Bind<&HidTest::Detached>(this));
    controller->SetOnDeviceChange(TNotifyEvent::Bind<&HidTest::Changed>(this));
    controller->SetLoading(false);
    ProcessMessages();
  }

  std::string PlugBoard() {
    TFakeHidPlatform::TInterface board;
    board.descriptor = kBoardDescriptor;
    return platform->Plug(board);
  }

  // A device-change notification, as the monitor raises it, and the pass it leads to.
  void Notify() {
    platform->SignalChange();
    WaitMs(THidDeviceController::kCoalesceMs + 40);
  }

  THidDevice* Claim() {
    TCustomHidDevice* device = nullptr;
    return controller->ClaimDevice(device) ? static_cast<THidDevice*>(device) : nullptr;
  }

  // Waits (processing messages) until `done` or two seconds have passed.
  template <typename Condition>
  bool WaitUntil(Condition done) {
    for (int i = 0; i < 200 && !done(); ++i) WaitMs(10);
    return done();
  }

 public:  // handlers, bound by address
  void Arrival(THidDevice* device) {
    journal.push_back(std::string("arrival usable=") + (device->Usable() ? "1" : "0"));
  }
  void Removal(THidDevice*) { journal.push_back("removal"); }
  void Detached(THidDevice*) { journal.push_back("detach"); }
  void Changed(TObject*) { journal.push_back("change"); }
  void Data(TCustomHidDevice*, uint8_t reportId, const uint8_t* data, uint16_t size) {
    reports.push_back({reportId, std::vector<uint8_t>(data, data + size)});
    if (raiseInHandler) throw Exception("handler failed");
  }
  void OtherData(TCustomHidDevice*, uint8_t, const uint8_t*, uint16_t) {}
  void ReadError(THidDevice*, uint32_t error) { readErrors.push_back(error); }
  void OtherReadError(THidDevice*, uint32_t) {}
  void Notified(THidDevice* device) {
    journal.push_back(std::string("notified in=") + (device->InNotification() ? "1" : "0"));
  }

  THidDataEvent DataHandler() { return THidDataEvent::Bind<&HidTest::Data>(this); }

  struct TReceived {
    uint8_t reportId;
    std::vector<uint8_t> data;
  };
  std::shared_ptr<TFakeHidPlatform> platform;
  std::unique_ptr<THidDeviceController> controller;
  std::vector<std::string> journal;
  std::vector<TReceived> reports;
  std::vector<uint32_t> readErrors;
  bool raiseInHandler = false;
};

using Journal = std::vector<std::string>;
