// The trace as sound from the window, offscreen, on a fake sound device: the keys and the
// menu's entries, what is played and saved, the length, stopping, and what a screen reader
// and the user are told.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "AnsweredDialogs.h"
#include "FakeSoundDevice.h"
#include "ProcessCounters.h"
#include "app/Form1Window.h"
#include "app/TraceListening.h"
#include "chart/Chart.h"
#include "framework/MessageWait.h"
#include "sound/WavFile.h"

namespace {

class WindowSound : public ::testing::Test, protected TAnsweredDialogs {
 protected:
  void SetUp() override {
    Install();
    window = std::make_unique<TForm1Window>();
    Listening().SetDeviceOpener(sound.Opener());
    window->show();
    WaitMs(20);
  }
  void TearDown() override {
    window.reset();
    Remove();
  }
  TTraceListening& Listening() { return window->Listening(); }
  void Form1CursorsAt(int a, int b) {
    window->Form().Reading.PlaceCursor(TCursorName::A, a);
    window->Form().Reading.PlaceCursor(TCursorName::B, b);
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(window.get(), key, modifiers);
  }
  // Events of the player come through the event loop.
  template <typename Condition>
  bool Until(Condition condition) {
    for (int i = 0; i < 1000 && !condition(); ++i) WaitMs(5);
    return condition();
  }

  TFakeSound sound;
  std::unique_ptr<TForm1Window> window;
};

TEST_F(WindowSound, PPlaysTheTraceAsShownAndTheScreenReaderHearsItsStartAndEnd) {
  const int threads = ProcessCounters::Threads();
  window->Button3()->click();  // the test sine
  EXPECT_EQ(ProcessCounters::Threads(), threads) << "a player before any sound";
  const TraceSound::TRequest trace = Listening().TraceNow();
  ASSERT_EQ(trace.volts.size(), 200u);
  // Left to right as drawn: x 0 first.
  for (int x = 0; x < 200; ++x)
    ASSERT_EQ(trace.volts[x], window->Form().Reading.Figures.ValueAt(x));
  EXPECT_EQ(trace.seconds, 3.0);

  Key(Qt::Key_P);
  EXPECT_TRUE(Listening().Playing());
  EXPECT_EQ(Listening().Announcement(), "Playing the trace, 3 s");
  ASSERT_TRUE(Until([&] { return !Listening().Playing(); }));
  EXPECT_EQ(sound.Written(), TraceSound::Render(trace));
  EXPECT_EQ(Listening().Announcement(), "Sound ended");
  EXPECT_FALSE(sound.Open());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowSound, BetweenTheCursorsWithTheirMarkersAndAtTheLengthAsked) {
  window->Button3()->click();
  Form1CursorsAt(150, 50);
  for (int i = 0; i < 12; ++i) Key(Qt::Key_BracketLeft);
  EXPECT_EQ(Listening().Seconds(), 10.0);
  EXPECT_EQ(Listening().Announcement(), "Sound length 10 s");
  for (int i = 0; i < 4; ++i) Key(Qt::Key_BracketRight);
  EXPECT_EQ(Listening().Seconds(), 6.0);
  const TraceSound::TRequest trace = Listening().TraceNow();
  ASSERT_EQ(trace.volts.size(), 101u);
  EXPECT_EQ(trace.volts.front(), window->Form().Reading.Figures.ValueAt(50));
  EXPECT_EQ(trace.cursorA, 100.0);
  EXPECT_EQ(trace.cursorB, 0.0);
  EXPECT_EQ(trace.seconds, 6.0);
  for (int i = 0; i < 9; ++i) Key(Qt::Key_BracketRight);
  EXPECT_EQ(Listening().Seconds(), 1.0);
}

TEST_F(WindowSound, PAgainOrEscStopsAtOnce) {
  window->Button3()->click();
  for (Qt::Key stop : {Qt::Key_P, Qt::Key_Escape}) {
    Key(Qt::Key_P);
    ASSERT_TRUE(Listening().Playing());
    Key(stop);
    EXPECT_FALSE(Listening().Playing());
    EXPECT_EQ(Listening().Announcement(), "Sound stopped");
  }
  ASSERT_TRUE(Until([&] { return !sound.Open(); }));
  // Esc with no sound is the menu's again: it removes the cursors.
  Form1CursorsAt(10, 20);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(window->Form().Reading.AnyCursor());
}

TEST_F(WindowSound, ShiftPSavesTheSoundAsWav) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  window->Button3()->click();
  answer = dir.filePath("trace.wav");
  Key(Qt::Key_P, Qt::ShiftModifier);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].caption, "Save sound");
  EXPECT_EQ(requests[0].defaultSuffix, "wav");
  EXPECT_TRUE(QRegularExpression("^simplescope-\\d{8}-\\d{6}\\.wav$")
                  .match(requests[0].proposedName)
                  .hasMatch())
      << requests[0].proposedName.toStdString();
  QFile file(answer);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray saved = file.readAll();
  const auto expected = WavFile::Bytes(TraceSound::Render(Listening().TraceNow()));
  EXPECT_EQ(saved, QByteArray(reinterpret_cast<const char*>(expected.data()), expected.size()));
  EXPECT_FALSE(sound.Open());
  EXPECT_EQ(sound.opens, 0) << "saving needs no device";
  // A folder that isn't there: why, and no file.
  answer = dir.filePath("missing/trace.wav");
  Key(Qt::Key_P, Qt::ShiftModifier);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].startsWith("音を保存できませんでした。")) << boxes[0].toStdString();
}

TEST_F(WindowSound, NoDeviceIsOneClearMessage) {
  Listening().SetDeviceOpener([](const TSoundFormat&) -> std::unique_ptr<TSoundDevice> {
    throw TSoundError(TSoundErrorKind::NoDevice,
                      "No sound device could be opened: Connection refused.");
  });
  window->Button3()->click();
  Key(Qt::Key_P);
  ASSERT_TRUE(Until([&] { return !boxes.empty(); }));
  EXPECT_EQ(
      boxes[0],
      "音を出す装置が見つかりません。\n(No sound device could be opened: Connection refused.)");
  EXPECT_FALSE(Listening().Playing());
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(WindowSound, TheMenuListsTheKeys) {
  window->Button3()->click();
  QTest::mouseClick(window->windowHandle(), Qt::RightButton, {},
                    window->Chart2()->geometry().center());
  QMenu* menu = window->Form().PopupMenu1->Menu();
  ASSERT_NE(menu, nullptr);
  QStringList texts;
  for (QAction* action : menu->actions())
    if (action->isVisible()) texts << action->text();
  const QStringList sound = texts.mid(texts.indexOf("Listen\tP"), 5);
  EXPECT_EQ(sound, QStringList({"Listen\tP", "Slower\t[", "Faster\t]", "Live sound\tL",
                                "Save sound…\tShift+P"}));
  menu->close();
}

}  // namespace
