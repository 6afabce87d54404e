// Opening a recording from the window, offscreen: Ctrl+O through the open dialog, a file dropped
// on the window, not while measuring, a bad file's box, and the progress window's cancel.
#include <gtest/gtest.h>

#include <QFile>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "AnsweredDialogs.h"
#include "app/Form1Window.h"
#include "app/RunOpening.h"
#include "chart/Chart.h"
#include "framework/FileOpening.h"
#include "framework/MessageWait.h"
#include "protocol/SampleTable.h"

namespace {

// Holds the reading thread after its first piece until the test lets it go. Only the first
// piece waits; the hook stays set until every reading thread has ended (the fixture's end).
class TFirstPieceGate {
 public:
  TFirstPieceGate() {
    TRunOpening::SetPieceHook([this](uint64_t) {
      std::unique_lock lock(mutex_);
      if (reached_) return;
      reached_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
    });
  }
  void WaitReached() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return reached_; });
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool reached_ = false;
  bool released_ = false;
};

class WindowOpening : public ::testing::Test, protected TAnsweredDialogs {
 protected:
  void SetUp() override {
    Install();
    SetOpenDialogHook([this](const TOpenDialogRequest& request) {
      openRequests.push_back(request);
      return openAnswer;
    });
    ASSERT_TRUE(folder.isValid());
    window = std::make_unique<TForm1Window>();
    Form().OnShowRun = TEvent<void(TObject*, int)>::Bind<&WindowOpening::ShowRun>(this);
    window->show();
    WaitMs(50);
  }
  void TearDown() override {
    window.reset();  // every reading thread has ended
    TRunOpening::SetPieceHook({});
    SetOpenDialogHook({});
    Remove();
  }

  TForm1& Form() { return window->Form(); }
  void ShowRun(TObject*, int index) { shown.push_back(index); }
  // Made by the tests that hold a reading; it outlives the reading threads (TearDown).
  std::optional<TFirstPieceGate> gate_;

  // A recording as the recorder writes it: `blocks` blocks, block b's samples from 100 + b.
  QString WriteRecording(const QString& name, int blocks) {
    const TSampleTable table(TSampleTable::TFormat::Csv);
    std::string text = table.Header();
    BoardProtocol::TSampleBlock samples;
    for (int b = 0; b < blocks; ++b) {
      for (int k = 0; k < 32; ++k) samples[k] = uint16_t(100 + b + k);
      text += table.BlockRows(uint64_t(b), b * 100, samples);
    }
    return WriteFile(name, QByteArray::fromStdString(text));
  }
  QString WriteFile(const QString& name, const QByteArray& contents) {
    const QString path = folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
    return path;
  }
  bool WaitUntilOpened() {
    return QTest::qWaitFor([this] { return !Form().Opening() || !Form().Opening()->Busy(); },
                           20000);
  }
  // A drag of `path` entering the window and dropped on it: whether each was accepted.
  std::pair<bool, bool> Drop(const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = window->Chart2()->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    return {enter.isAccepted(), drop.isAccepted()};
  }
  // Measuring as a start leaves the window, without a board.
  void PretendMeasuring() { Form().Image2->SetEnabled(false); }

  QTemporaryDir folder;
  std::unique_ptr<TForm1Window> window;
  std::vector<TOpenDialogRequest> openRequests;
  QString openAnswer;
  std::vector<int> shown;
};

TEST_F(WindowOpening, CtrlOOpensTheChosenFileAsANewRunBesideTheOnesMeasured) {
  // A run measured before stays.
  Form().Runs.StartRun({});
  const std::vector<uint16_t> measured(32, 700);
  Form().Runs.AppendBlock(measured, 0);

  openAnswer = WriteRecording(QStringLiteral("run.csv"), 3);
  QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(openRequests.size(), 1u);
  EXPECT_EQ(openRequests[0].caption, "Open recording");
  EXPECT_TRUE(openRequests[0].filter.contains("*.csv"));
  EXPECT_TRUE(openRequests[0].filter.contains("*.tsv"));
  ASSERT_TRUE(WaitUntilOpened());
  EXPECT_TRUE(boxes.empty());
  ASSERT_EQ(Form().Runs.RunCount(), 2);
  EXPECT_EQ(Form().Runs.RunAt(0).SampleAt(0), 700);
  const TRun& run = Form().Runs.RunAt(1);
  EXPECT_EQ(run.FileName(), "run.csv");
  EXPECT_EQ(run.SampleCount(), 96u);
  EXPECT_EQ(run.SampleAt(33), 102);
  EXPECT_EQ(run.BlockAt(2).TimeMs, 200);
  EXPECT_EQ(shown, std::vector<int>{1});

  // Cancelled in the dialog: nothing.
  openAnswer.clear();
  QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(openRequests.size(), 2u);
  EXPECT_EQ(Form().Runs.RunCount(), 2);
}

TEST_F(WindowOpening, ADroppedFileOpensAndNothingOpensWhileMeasuring) {
  const QString path = WriteRecording(QStringLiteral("dropped.csv"), 2);
  PretendMeasuring();
  // The menu's entry is greyed, its key does nothing, a drop is refused.
  QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_TRUE(openRequests.empty());
  Form().PopupMenu1->OnPopup(Form().PopupMenu1);
  EXPECT_FALSE(Form().OpenItem->Enabled);
  EXPECT_EQ(Drop(path), std::make_pair(false, false));
  EXPECT_FALSE(Form().OpenRecording(path));
  EXPECT_EQ(Form().Opening(), nullptr);

  Form().Image2->SetEnabled(true);  // stopped
  Form().PopupMenu1->OnPopup(Form().PopupMenu1);
  EXPECT_TRUE(Form().OpenItem->Enabled);
  EXPECT_EQ(Drop(path), std::make_pair(true, true));
  ASSERT_TRUE(WaitUntilOpened());
  ASSERT_EQ(Form().Runs.RunCount(), 1);
  EXPECT_EQ(Form().Runs.RunAt(0).FileName(), "dropped.csv");
  EXPECT_EQ(shown, std::vector<int>{0});
  // Two files at once, or none that is local: refused.
  QMimeData two;
  two.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.get(), &enter);
  EXPECT_FALSE(enter.isAccepted());
}

TEST_F(WindowOpening, ABadFileOpensNothingAndItsBoxSaysWhichLineAndWhy) {
  const QString path = WriteFile(
      QStringLiteral("bad.csv"),
      "block,sample,time_s,raw,volts\r\n0,0,0.000,760,2.4219\r\n0,1,0.000,abc,2.4219\r\n");
  EXPECT_TRUE(Form().OpenRecording(path));
  ASSERT_TRUE(WaitUntilOpened());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !boxes.empty(); }, 5000));
  EXPECT_EQ(boxes[0],
            "The recording could not be opened.\nbad.csv, line 3: raw is not a number: \"abc\".");
  EXPECT_EQ(Form().Runs.RunCount(), 0);
  EXPECT_TRUE(shown.empty());
  // A file that isn't there says the system's words.
  boxes.clear();
  EXPECT_TRUE(Form().OpenRecording(folder.filePath(QStringLiteral("gone.csv"))));
  ASSERT_TRUE(WaitUntilOpened());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !boxes.empty(); }, 5000));
  EXPECT_TRUE(boxes[0].startsWith("gone.csv could not be read: ")) << boxes[0].toStdString();
}

TEST_F(WindowOpening, AFileIsReadOffTheMainThreadWithAProgressWindowWhoseCancelDropsIt) {
  // 40000 blocks (1.28 M rows, about 35 MB): many pieces. The reading thread waits after its
  // first piece until the test lets it go.
  const QString path = WriteRecording(QStringLiteral("long.csv"), 40000);
  TFirstPieceGate& gate = gate_.emplace();
  ASSERT_TRUE(Form().OpenRecording(path));
  gate.WaitReached();
  // The window goes on: its event loop runs while the file is being read.
  bool timerRan = false;
  QTimer::singleShot(0, window.get(), [&] { timerRan = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return timerRan; }, 5000));
  QProgressDialog* progress = Form().Opening()->ProgressWindow();
  ASSERT_NE(progress, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return progress->isVisible(); }, 5000));
  EXPECT_FALSE(progress->isModal());
  EXPECT_TRUE(progress->labelText().contains("long.csv"));
  // Another file can't start meanwhile.
  EXPECT_FALSE(Form().CanOpenRecording());
  QPushButton* cancel = progress->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  QTest::mouseClick(cancel, Qt::LeftButton);
  EXPECT_FALSE(Form().Opening()->Busy());
  gate.Release();
  WaitMs(100);
  EXPECT_EQ(Form().Runs.RunCount(), 0);
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(boxes.empty());

  // Let through, the same file opens whole.
  ASSERT_TRUE(Form().OpenRecording(path));
  ASSERT_TRUE(WaitUntilOpened());
  ASSERT_EQ(Form().Runs.RunCount(), 1);
  EXPECT_EQ(Form().Runs.RunAt(0).SampleCount(), 40000u * 32);
}

TEST_F(WindowOpening, MeasuringThatStartedWhileAFileWasReadKeepsItsRunTheOneFed) {
  const QString path = WriteRecording(QStringLiteral("meanwhile.csv"), 40000);
  TFirstPieceGate& gate = gate_.emplace();
  ASSERT_TRUE(Form().OpenRecording(path));
  gate.WaitReached();
  Form().RunCapture.StartRun();  // as a start does
  const TRun* measured = Form().Runs.Current();
  gate.Release();
  ASSERT_TRUE(WaitUntilOpened());
  ASSERT_EQ(Form().Runs.RunCount(), 2);
  EXPECT_EQ(Form().Runs.RunAt(0).FileName(), "meanwhile.csv");
  EXPECT_EQ(Form().Runs.Current(), measured);
  // The live trace stays on the screen; the run waits in the list.
  EXPECT_TRUE(shown.empty());
  Form().RunCapture.StopRun();
}

}  // namespace
