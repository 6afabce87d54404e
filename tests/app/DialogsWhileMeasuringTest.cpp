// Dialogs and boxes opened while measuring, over the fake board: each is asked for from
// inside a tick's wait for the board's answer (as a key or a menu choice handled there
// would be), held open for a second as a person would, and the board's command reports are
// counted meanwhile. Measuring goes on under every one of them.
#include <QTimer>
#include <atomic>
#include <thread>

#include "../framework/MemoryDisk.h"
#include "Form1Fixture.h"
#include "framework/FileSaving.h"

namespace {

using namespace std::chrono_literals;

constexpr int kHeldMs = 1000;
// Ten ticks a second; a few may go to the dialog's opening on a slow machine.
constexpr size_t kTicksUnderAHeldDialog = 6;

class DialogsWhileMeasuring : public Form1Test {
 protected:
  void SetUp() override {
    Form1Test::SetUp();
    SetSaveDialogHook([this](const TSaveDialogRequest& request) {
      requests.push_back(request);
      commandsWhileOpen.push_back(CommandsWhileHeld());
      return answer;
    });
    // The boxes are held too; Form1Test's hook would only note them.
    SetMessageBoxHook([this](TBoxKind, const QString& text) {
      boxes.push_back({TBoxKind::Warning, text, Now()});
      commandsWhileOpen.push_back(CommandsWhileHeld());
    });
    Plug(FakeBoard({SampleBlock(std::vector<uint16_t>(32, 614))}));
  }
  void TearDown() override {
    releaseDisk = true;
    Form1Test::TearDown();
    SetSaveDialogHook({});
  }

  // The command reports the board gets while a dialog is held open.
  size_t CommandsWhileHeld() {
    const size_t before = Board()->written.size();
    WaitMs(kHeldMs);
    return Board()->written.size() - before;
  }

  // Runs `action` inside the wait that follows the board's `nth` command report (the first
  // is the start's).
  void InsideTheWaitAfterCommand(size_t nth, std::function<void()> action) {
    Board()->afterWrite = [this, nth, action] {
      if (Board()->written.size() != nth) return;
      Board()->afterWrite = {};
      // The wait processes posted calls first thing.
      QTimer::singleShot(0, [this, action] {
        ++actionsRun;
        action();
      });
    };
  }

  template <typename Condition>
  bool WaitUntil(Condition done, int ms = 10000) {
    for (int waited = 0; waited < ms && !done(); waited += 10) WaitMs(10);
    return done();
  }

  TMemoryDisk disk;
  TMemoryDiskInPlace diskInPlace{disk};
  std::atomic<bool> releaseDisk{false};
  std::vector<TSaveDialogRequest> requests;
  std::vector<size_t> commandsWhileOpen;
  QString answer;
  int actionsRun = 0;
};

}  // namespace

TEST_F(DialogsWhileMeasuring, EachDialogOfTheMenuOpensAfterTheTickAndTicksGoOnUnderIt) {
  form->Image2Click(nullptr);
  // Save picture, save values, record: by their keys or the menu, all through the entries.
  TMenuItem* const entries[] = {form->SavePictureItem, form->SaveValuesItem, form->RecordItem};
  for (TMenuItem* entry : entries) {
    // Cancelled, but for the recording.
    answer = entry == form->RecordItem ? QString("rec/under-the-dialog.csv") : QString();
    const size_t asked = requests.size();
    InsideTheWaitAfterCommand(Board()->written.size() + 2, [this, entry] {
      form->PopupMenu1Popup(nullptr);
      entry->Click();
    });
    ASSERT_TRUE(WaitUntil([&] { return requests.size() > asked; })) << entry->Caption.toStdString();
    EXPECT_GE(commandsWhileOpen.back(), kTicksUnderAHeldDialog) << entry->Caption.toStdString();
  }
  EXPECT_EQ(actionsRun, 3);
  EXPECT_EQ(requests[0].caption, "Save picture");
  EXPECT_EQ(requests[1].caption, "Save values");
  EXPECT_EQ(requests[2].caption, "Record");
  EXPECT_TRUE(form->Recording->Active());
  EXPECT_EQ(Now(), kMeasuring);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(DialogsWhileMeasuring, TheRecordDialogAskedForInsideTheStartsWaitOpensOnceTicksRun) {
  // Ctrl+R as the start picture is clicked: the start waits for its answer as a tick does.
  InsideTheWaitAfterCommand(1, [this] { form->RecordItem->Click(); });
  form->Image2Click(nullptr);
  EXPECT_TRUE(requests.empty());  // not inside the start
  ASSERT_TRUE(WaitUntil([&] { return !requests.empty(); }));
  EXPECT_GE(commandsWhileOpen[0], kTicksUnderAHeldDialog);
}

TEST_F(DialogsWhileMeasuring, ARecordingsFailureBoxOpensAfterTheTickAndTicksGoOnUnderIt) {
  // The disk holds the header's write until the tick has sent its command, then fails it:
  // the writer hands its failure over inside the tick's wait.
  std::atomic<bool> writing{false};
  disk.beforeWrite = [&] {
    writing = true;
    while (!releaseDisk) std::this_thread::sleep_for(1ms);
  };
  disk.writeError = 5;
  answer = "rec/fails.csv";
  form->RecordItem->Click();  // idle: its dialog opens at once
  ASSERT_TRUE(form->Recording->Active());
  ASSERT_TRUE(WaitUntil([&] { return writing.load(); }));
  form->Image2Click(nullptr);
  Board()->afterWrite = [this] {
    if (Board()->written.size() != 3) return;
    Board()->afterWrite = {};
    releaseDisk = true;
  };
  ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
  EXPECT_TRUE(
      boxes[0].text.startsWith("記録できなくなりました。ファイルに書き込めません。\n"
                               "rec/fails.csv\n"))
      << boxes[0].text.toStdString();
  EXPECT_GE(commandsWhileOpen.back(), kTicksUnderAHeldDialog);
  EXPECT_EQ(boxes[0].during, kMeasuring);
}

TEST_F(DialogsWhileMeasuring,
       ABoxNobodyDefersInsideATicksWaitHoldsThatTickOnlyAndItShowsNothingStale) {
  // As the system's own boxes do (the save dialog asking before it replaces a file, opened
  // by a click the tick's wait took): the held tick is passed by the ticks after it.
  form->Image2Click(nullptr);
  size_t whileHeld = 0;
  InsideTheWaitAfterCommand(3, [&] { whileHeld = CommandsWhileHeld(); });
  ASSERT_TRUE(WaitUntil([&] { return actionsRun == 1 && whileHeld > 0; }));
  form->Image3Click(nullptr);
  WaitMs(200);  // a tick under way ends
  EXPECT_GE(whileHeld, kTicksUnderAHeldDialog);
  // Every tick drew once, but the held one: its answer was read by those after it, and
  // drawing it again would show the same samples twice.
  const size_t ticks = Board()->written.size() - 1;
  EXPECT_EQ(static_cast<size_t>(series.removals), ticks - 1);
  EXPECT_EQ(History().size(), std::min<size_t>(200, 32 * (ticks - 1)));
  EXPECT_TRUE(boxes.empty());
}
