// The whole window under Wine against the emulated board (tools/wine-board-run.sh): the
// board found through SetupAPI, measured through hid.dll, followed through WM_DEVICECHANGE,
// the boxes the program shows for real, on Windows' own window system, and a recording of
// the board's ramp (tests/app/windows/CMakeLists.txt) written through the system's handles.
#include <gtest/gtest.h>
#include <windows.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "RecordedTable.h"
#include "WindowPicture.h"
#include "app/Form1Window.h"
#include "app/MeasurementsWindow.h"
#include "app/TraceReadout.h"
#include "framework/FileSaving.h"
#include "framework/MessageWait.h"
#include "tests/EmulatedBoardControl.h"

namespace {

class WineEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(EmulatedBoardControl::Folder().empty())
        << "run through tools/wine-board-run.sh: no emulated board";
    // The pointer away from the window: left where the display starts it (the screen's
    // middle), it would lie over the chart, and the readout of the sample under it would
    // follow every tick, which is not what these tests measure.
    SetCursorPos(0, 0);
    window = std::make_unique<TForm1Window>();
    window->show();
    QElapsedTimer waited;
    waited.start();
    while (!window->isActiveWindow() && waited.elapsed() < 5000) WaitMs(20);
    // Every box the program shows is read and closed with its one button, "OK".
    QObject::connect(&lookForBoxes, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      boxes.push_back(box->text());
      box->buttons().first()->click();
    });
    lookForBoxes.start(50);
  }
  void TearDown() override {
    lookForBoxes.stop();
    window.reset();
  }

  TForm1& Form() { return window->Form(); }
  bool Idle() {
    return !Form().Timer1->Enabled() && Form().Image2->Enabled() && Form().Panel1->Visible();
  }
  bool Measuring() {
    return Form().Timer1->Enabled() && !Form().Image2->Enabled() && !Form().Panel1->Visible();
  }

  // Wine's HID bus sees a plug or an unplug a few seconds late (more on a busy machine).
  template <typename Condition>
  bool WaitUntil(Condition done, int ms = 20000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms) WaitMs(20);
    return done();
  }

  // A key as Windows delivers it to the window.
  void PressKey(WPARAM key) {
    const HWND handle = reinterpret_cast<HWND>(window->winId());
    PostMessageW(handle, WM_KEYDOWN, key, 1);
    PostMessageW(handle, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
  }

  // A click as Windows delivers it, on the start picture (at 400,488, 113 x 114).
  void ClickStart() {
    const HWND handle = reinterpret_cast<HWND>(window->winId());
    const LPARAM at = MAKELPARAM(400 + 56, 488 + 57);
    PostMessageW(handle, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(handle, WM_LBUTTONUP, 0, at);
  }

  std::vector<double> Trace() {
    std::vector<double> values;
    for (int i = 0; i < Form().Series2->PointCount(); ++i)
      values.push_back(Form().Series2->YValueAt(i));
    return values;
  }

  // The command reports the board has read so far (the board keeps the count in its folder).
  static long long BoardCommands() {
    long long count = -1;
    std::ifstream(EmulatedBoardControl::Folder() + "/commands") >> count;
    return count < 0 ? 0 : count;
  }

  void StartAndMeasure();
  void UnplugWhileMeasuring();

  std::unique_ptr<TForm1Window> window;
  QTimer lookForBoxes;
  std::vector<QString> boxes;
};

}  // namespace

// Start: a command report every tenth of a second, each answered with a block of samples
// that moves the trace along.
void WineEndToEnd::StartAndMeasure() {
  ClickStart();
  ASSERT_TRUE(WaitUntil([&] { return Measuring(); }));
  ASSERT_TRUE(WaitUntil([&] { return Trace().size() == TForm1::kHistoryLimit; }));
  const long long commandsBefore = BoardCommands();
  QElapsedTimer measured;
  measured.start();
  std::vector<double> trace = Trace();
  int moves = 0;
  while (measured.elapsed() < 3000) {
    WaitMs(50);
    const std::vector<double> now = Trace();
    if (now != trace) ++moves;
    trace = now;
  }
  const double seconds = measured.elapsed() / 1000.0;
  const double commandsPerSecond = (BoardCommands() - commandsBefore) / seconds;
  // Wine's timers on a busy machine may come late, never early: a tick now and then is
  // left out, but a second command per tick, or a stall, shows.
  EXPECT_GE(commandsPerSecond, 6.0);
  EXPECT_LE(commandsPerSecond, 11.0);
  EXPECT_GE(moves, 15) << "the trace moved " << moves << " times in " << seconds << " s";
  EXPECT_EQ(Trace().size(), static_cast<size_t>(TForm1::kHistoryLimit));
  EXPECT_TRUE(boxes.empty());
}

// Unplugged while measuring: the tick finds the board gone and says so.
void WineEndToEnd::UnplugWhileMeasuring() {
  ASSERT_TRUE(EmulatedBoardControl::Request("unplug"));
  ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }))
      << "no box; the board " << (Form().BoardDevice ? "still listed" : "gone") << ", "
      << (Measuring() ? "measuring" : "not measuring") << ", the board read " << BoardCommands()
      << " commands";
  EXPECT_EQ(boxes[0], QStringLiteral("(C2)実験ボードと接続が確認出来ません。"));
  EXPECT_TRUE(WaitUntil([&] { return Form().BoardDevice == nullptr; }));
  EXPECT_TRUE(Idle());
}

TEST_F(WineEndToEnd, MeasuresSaysC2WhenUnpluggedAndC1WhenStartedWithoutTheBoard) {
  ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; }))
      << "the board was not found";
  ASSERT_NO_FATAL_FAILURE(StartAndMeasure());
  SaveWindowPictureIfAsked(*window);
  ASSERT_NO_FATAL_FAILURE(UnplugWhileMeasuring());
  // No board: start says so before anything begins.
  ClickStart();
  ASSERT_TRUE(WaitUntil([&] { return boxes.size() == 2; }));
  EXPECT_EQ(boxes[1], QStringLiteral("(C1)実験ボードと接続が確認出来ません。"));
  EXPECT_TRUE(Idle());
}

// Wine's HID bus follows the board out and in again: a start after the plug measures.
TEST_F(WineEndToEnd, StartsAgainAfterThePlug) {
  ASSERT_TRUE(EmulatedBoardControl::Request("plug"));
  ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; }))
      << "the board was not found";
  ASSERT_NO_FATAL_FAILURE(StartAndMeasure());
  ASSERT_NO_FATAL_FAILURE(UnplugWhileMeasuring());
  ASSERT_TRUE(EmulatedBoardControl::Request("plug"));
  ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; }))
      << Form().DevListBox->Items.Count() << " devices listed";
  const long long commandsAtPlug = BoardCommands();
  ClickStart();
  ASSERT_TRUE(WaitUntil([&] { return Measuring(); }));
  EXPECT_TRUE(WaitUntil([&] { return Form().SampleHistory->Count() >= 64; }));
  EXPECT_GT(BoardCommands(), commandsAtPlug);
  Form().Image3->Click();
  EXPECT_TRUE(Idle());
  EXPECT_EQ(boxes.size(), 1u);
}

// Recorded from the window: Ctrl+R as the menu takes it, the ramp in the file, unbroken
// across a stop and a start, and every row ending in exactly one CRLF.
// (Run on its own, with the board plugged in from the start.)
TEST_F(WineEndToEnd, RecordsTheRampAcrossAStopAndAStart) {
  ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; }))
      << "the board was not found";
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const QString path =
      QString::fromLocal8Bit(folder) +
      QStringLiteral("simplescope-window-recording-%1.csv").arg(GetCurrentProcessId());
  SetSaveDialogHook([&](const TSaveDialogRequest&) { return path; });
  Form().PopupMenu1Popup(nullptr);
  Form().RecordItem->Click();
  SetSaveDialogHook({});
  ASSERT_TRUE(Form().Recording->Active());
  ClickStart();
  ASSERT_TRUE(WaitUntil([&] { return Form().Recording->RowsWritten() >= 5 * 32; }));
  Form().Image3->Click();
  WaitMs(300);
  const uint64_t rows = Form().Recording->RowsWritten();
  ClickStart();
  ASSERT_TRUE(WaitUntil([&] { return Form().Recording->RowsWritten() >= rows + 5 * 32; }));
  Form().Image3->Click();
  Form().PopupMenu1Popup(nullptr);
  Form().RecordItem->Click();
  window.reset();  // closing waits for the file to be written and closed

  std::ifstream in(path.toStdString(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const TRecordedTable table = Csv(text.str());
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  ASSERT_GE(table.Blocks(), 10u);
  for (const std::vector<std::string>& line : table.lines)
    for (const std::string& field : line)
      ASSERT_EQ(field.find_first_of("\r\n"), std::string::npos) << "a line end inside a row";
  // The board's ramp: 0, 1, ... 1022 and again.
  const std::vector<uint16_t> raws = table.Raws();
  for (size_t row = 1; row < raws.size(); ++row)
    ASSERT_EQ(raws[row], (raws[row - 1] + 1) % 1023) << "row " << row;
  EXPECT_TRUE(boxes.empty());
  DeleteFileW(reinterpret_cast<const wchar_t*>(path.utf16()));
}

// F5 and F6 as Windows delivers them start and stop measuring, and the measurements window
// reads the board's sine (2 V, 64 samples a period): its full swing over the 200 values.
TEST_F(WineEndToEnd, F5MeasuresTheMeasurementsWindowReadsTheSineAndF6Stops) {
  ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; }))
      << "the board was not found";
  PressKey(VK_F5);
  ASSERT_TRUE(WaitUntil([&] { return Measuring(); }));
  ASSERT_TRUE(WaitUntil([&] { return Form().Reading.Figures.Count() == TForm1::kHistoryLimit; }));
  Form().MeasurementsItem->Click();
  TMeasurementsWindow* measurements = window->Readout().Measurements();
  ASSERT_NE(measurements, nullptr);
  EXPECT_EQ(measurements->ValueText("count"), QStringLiteral("200"));
  const double swing =
      measurements->ValueText("peak_to_peak_V").chopped(2).toDouble();  // "4.000 V"
  EXPECT_NEAR(swing, 4.0, 0.010);
  window->activateWindow();
  PressKey(VK_F6);
  ASSERT_TRUE(WaitUntil([&] { return Idle(); }));
  EXPECT_EQ(measurements->ValueText("count"), QStringLiteral("200"));  // kept after the stop
  EXPECT_TRUE(boxes.empty());
}
