#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "FakeHid.h"
#include "RecordingSeries.h"
#include "app/Form1.h"
#include "framework/Dialogs.h"
#include "framework/MessageWait.h"

// The window's logic over a fake controller and a recording series. Message boxes are
// recorded with the window's state at the moment they are open.
class Form1Test : public ::testing::Test {
 protected:
  struct State {
    bool timerEnabled;
    bool image2Enabled;
    bool panel1Visible;
    bool operator==(const State&) const = default;
  };
  static constexpr State kIdle{false, true, true};
  static constexpr State kMeasuring{true, false, false};

  struct Box {
    TBoxKind kind;
    QString text;
    State during;
  };

  void SetUp() override {
    SetMessageBoxHook([this](TBoxKind kind, const QString& text) {
      boxes.push_back({kind, text, Now()});
    });
    controller = new TFakeHidDeviceController;
    form = std::make_unique<TForm1>(controller, &series);
  }

  void TearDown() override {
    form.reset();
    SetMessageBoxHook({});
  }

  State Now() const {
    return {form->Timer1->Enabled(), form->Image2->Enabled(), form->Panel1->Visible()};
  }

  int Plug(const TFakeInterface& iface) {
    const int instance = controller->Plug(iface);
    controller->DeviceChange();
    return instance;
  }
  void Unplug(int instance) {
    controller->Unplug(instance);
    controller->DeviceChange();
  }

  // Starts measuring, then takes the ticks out of the timer's hands: the test runs each
  // tick itself, so none runs unasked inside a tick's wait.
  void StartMeasuring() {
    form->Image2Click(nullptr);
    form->Timer1->SetInterval(24 * 3600 * 1000);
  }

  TFakeHidDevice* Board() const { return static_cast<TFakeHidDevice*>(form->BoardDevice); }

  std::vector<QString> History() const {
    std::vector<QString> texts;
    for (int i = 0; i < form->SampleHistory->Count(); ++i)
      texts.push_back(form->SampleHistory->Strings(i));
    return texts;
  }

  TRecordingSeries series;
  TFakeHidDeviceController* controller = nullptr;  // owned by the form
  std::unique_ptr<TForm1> form;
  std::vector<Box> boxes;
};
