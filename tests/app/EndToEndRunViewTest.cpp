// The view over a run while the whole program measures the virtual board on an emulated node
// (umockdev): a gesture leaves the live end and the view stays put as the run grows under it,
// End follows the board again, and after the stop the whole run is in view.
// umockdev's glib headers first: Qt's "signals" keyword is a name in them.
#include "EmulatedBoard.h"
// Qt after them.
#include <gtest/gtest.h>

#include <QTest>

#include "app/Form1Window.h"
#include "app/RunViewer.h"
#include "chart/Chart.h"
#include "chart/FastLineSeries.h"
#include "framework/Dialogs.h"
#include "framework/MessageWait.h"

namespace {

class EmulatedRunView : public ::testing::Test {
 protected:
  void SetUp() override {
    bed = std::make_unique<THidTestbed>();  // before any of the program's threads
    SetMessageBoxHook([this](TBoxKind, const QString& text) { boxes.push_back(text); });
    window = std::make_unique<TForm1Window>();
    window->show();
    ProcessMessages();
  }
  void TearDown() override {
    board.reset();
    window.reset();
    SetMessageBoxHook({});
    bed.reset();
  }

  TForm1& Form() { return window->Form(); }
  const TRunView& View() { return window->Viewer().View(); }
  uint64_t Samples() { return Form().Runs.Current() ? Form().Runs.Current()->SampleCount() : 0; }
  template <typename Condition>
  bool WaitUntil(Condition done, int ms = 5000) {
    for (int waited = 0; waited < ms && !done(); waited += 10) WaitMs(10);
    return done();
  }
  void Key(Qt::Key key) {
    QTest::keyClick(window.get(), key);
    ProcessMessages();
  }

  std::unique_ptr<THidTestbed> bed;
  std::unique_ptr<TEmulatedBoard> board;
  std::unique_ptr<TForm1Window> window;
  std::vector<QString> boxes;
};

TEST_F(EmulatedRunView, AGestureWhileMeasuringPausesTheViewAndEndFollowsTheBoardAgain) {
  board = std::make_unique<TEmulatedBoard>(*bed, TBoardOptions{});
  board->Plug();
  ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; })) << "no board";
  Form().Image2->Click();
  ASSERT_TRUE(Form().Timer1->Enabled());
  ASSERT_TRUE(WaitUntil([&] { return Samples() >= 400; }));

  Key(Qt::Key_Home);
  ASSERT_FALSE(window->Viewer().Live());
  EXPECT_EQ(View().First(), 0u);
  EXPECT_EQ(View().Width(), 200u);
  EXPECT_EQ(window->Chart2()->Title.Text(), QStringList{"一時停止中の表示"});
  // Measuring goes on underneath; the view stays where it was left.
  const uint64_t samples = Samples();
  ASSERT_TRUE(WaitUntil([&] { return Samples() >= samples + 3 * 32; }));
  EXPECT_TRUE(Form().Timer1->Enabled());
  EXPECT_EQ(View().First(), 0u);
  EXPECT_EQ(View().End(), 200u);
  EXPECT_FALSE(Form().Series2->Active());

  Key(Qt::Key_End);
  EXPECT_TRUE(window->Viewer().Live());
  EXPECT_TRUE(Form().Series2->Active());
  EXPECT_EQ(window->Chart2()->Title.Text(), QStringList{" "});
  // The live trace goes on being drawn from the board's blocks.
  const uint64_t rejoined = Samples();
  ASSERT_TRUE(WaitUntil([&] { return Samples() >= rejoined + 2 * 32; }));
  EXPECT_EQ(Form().Series2->PointCount(), 200);

  Form().Image3->Click();
  ProcessMessages();
  Key(Qt::Key_F);
  EXPECT_EQ(View().First(), 0u);
  EXPECT_EQ(View().End(), Samples());
  EXPECT_EQ(window->Chart2()->Title.Text(), QStringList{" "}) << "stopped: nothing paused";
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
