// Live sound over the fake board: each tick's block becomes 100 ms of sound, gliding on,
// only while L is on; the player isn't made until then.
#include <QWidget>

#include "FakeSoundDevice.h"
#include "Form1Fixture.h"
#include "app/TraceListening.h"

namespace {

std::vector<uint16_t> Level(uint16_t raw) {
  return std::vector<uint16_t>(32, raw);
}

using LiveSound = Form1Test;

TEST_F(LiveSound, EachBlockBecomesATenthOfASecondWhileOn) {
  QWidget window;
  TTraceListening listening(*form, window);
  TFakeSound sound;
  listening.SetDeviceOpener(sound.Opener());
  TMenuItem* live = form->PopupMenu1->ItemForKey(QKeyCombination(Qt::Key_L).toCombined());
  ASSERT_NE(live, nullptr);
  Plug(FakeBoard());
  StartMeasuring();
  Board()->SetAnswer({SampleBlock(Level(614))});
  form->Timer1Timer(nullptr);
  EXPECT_EQ(sound.opens, 0);

  live->Click();
  EXPECT_TRUE(listening.Live());
  TraceSound::TLive expected;
  std::vector<std::int16_t> expectedSound;
  for (uint16_t raw : {614, 614, 922, 922, 100}) {
    Board()->SetAnswer({SampleBlock(Level(raw))});
    form->Timer1Timer(nullptr);
    const auto part =
        expected.RenderBlock(std::vector<double>(32, BoardProtocol::VoltsFromRaw(raw)));
    expectedSound.insert(expectedSound.end(), part.begin(), part.end());
  }
  for (int i = 0; i < 1000 && sound.Written().size() < expectedSound.size(); ++i) WaitMs(5);
  EXPECT_EQ(sound.Written(), expectedSound);
  EXPECT_EQ(sound.opens, 1);

  // Off: the device closes and ticks sound no more.
  live->Click();
  EXPECT_FALSE(listening.Live());
  for (int i = 0; i < 1000 && sound.Open(); ++i) WaitMs(5);
  EXPECT_FALSE(sound.Open());
  form->Timer1Timer(nullptr);
  WaitMs(20);
  EXPECT_EQ(sound.Written().size(), expectedSound.size());
  EXPECT_FALSE(form->OnBlockShown);
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
